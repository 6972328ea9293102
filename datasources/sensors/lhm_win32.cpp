// LibreHardwareMonitor through its web server's data.json, read with
// WinHTTP on the source's thread. Sensors are those of the first answer;
// later answers are matched to them by SensorId.
#include <windows.h>
#include <winhttp.h>

#include <unordered_map>

#include "datasources/sensors/lhm_json.h"
#include "datasources/sensors/monitors.h"
#include "plugin/api/glancer_kit.hpp"

namespace sensors {
namespace {

constexpr int kTimeoutMs = 2000;
constexpr std::size_t kMaxBody = 16u << 20;

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

class Handle {
public:
    explicit Handle(HINTERNET handle = nullptr) : handle(handle) {}
    ~Handle()
    {
        if (handle != nullptr)
            ::WinHttpCloseHandle(handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    operator HINTERNET() const { return handle; }

private:
    HINTERNET handle;
};

// The body of a GET of `url`; empty and a reason when there is none.
std::optional<std::string> Fetch(const std::string& url, std::string& problem)
{
    const std::wstring wide = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    wchar_t host[256] = {};
    wchar_t path[2048] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
    if (!::WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) {
        problem = "the address is not a URL";
        return std::nullopt;
    }
    const Handle session(
        ::WinHttpOpen(L"Glancer", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (session == nullptr) {
        problem = "WinHTTP cannot start";
        return std::nullopt;
    }
    ::WinHttpSetTimeouts(session, kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
    const Handle connection(::WinHttpConnect(session, host, parts.nPort, 0));
    const Handle request(connection == nullptr
                             ? nullptr
                             : ::WinHttpOpenRequest(connection, L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                                    WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (request == nullptr ||
        !::WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(request, nullptr)) {
        problem = "no answer, error " + std::to_string(::GetLastError());
        return std::nullopt;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    ::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                          &status, &size, WINHTTP_NO_HEADER_INDEX);
    if (status != 200) {
        problem = "HTTP status " + std::to_string(status);
        return std::nullopt;
    }
    std::string body;
    for (;;) {
        char chunk[16384];
        DWORD read = 0;
        if (!::WinHttpReadData(request, chunk, sizeof chunk, &read)) {
            problem = "the answer broke off, error " + std::to_string(::GetLastError());
            return std::nullopt;
        }
        if (read == 0)
            return body;
        body.append(chunk, read);
        if (body.size() > kMaxBody) {
            problem = "the answer is longer than " + std::to_string(kMaxBody) + " bytes";
            return std::nullopt;
        }
    }
}

class LhmMonitor final : public Monitor {
public:
    LhmMonitor(std::string url, Say say)
        : url(std::move(url)), say(std::move(say)), down("Sensors: LibreHardwareMonitor at " + this->url)
    {
    }

    std::vector<Found> Discover() override
    {
        std::vector<Found> found;
        std::string problem;
        const std::optional<std::vector<LhmSensor>> sensors = Load(problem);
        if (!sensors) {
            say("LibreHardwareMonitor at " + url + " gives no sensors (" + problem +
                "); start its web server (Options, Remote Web Server) to have them");
            return found;
        }
        for (const LhmSensor& sensor : *sensors) {
            slots.emplace(sensor.key, found.size());
            found.push_back(sensor.found);
        }
        return found;
    }

    void Read(std::span<double> values) override
    {
        if (slots.empty())
            return;
        std::fill(values.begin(), values.end(), 0.0);
        std::string problem;
        const std::optional<std::vector<LhmSensor>> sensors = Load(problem);
        if (!sensors) {
            down.Fail("stopped answering (" + problem + "); its values read 0");
            return;
        }
        down.Recover("answers again");
        for (const LhmSensor& sensor : *sensors)
            if (const auto slot = slots.find(sensor.key); slot != slots.end() && slot->second < values.size())
                values[slot->second] = sensor.value;
    }

private:
    std::optional<std::vector<LhmSensor>> Load(std::string& problem)
    {
        const std::optional<std::string> body = Fetch(url, problem);
        if (!body)
            return std::nullopt;
        std::string parse;
        std::optional<std::vector<LhmSensor>> sensors = ParseLhm(*body, parse);
        if (!sensors)
            problem = "data.json " + parse;
        return sensors;
    }

    const std::string url;
    Say say;
    std::unordered_map<std::string, std::size_t> slots;
    glancer::Trouble down;
};

} // namespace

std::unique_ptr<Monitor> MakeLhmMonitor(const std::string& url, Say say)
{
    return std::make_unique<LhmMonitor>(url, std::move(say));
}

} // namespace sensors
