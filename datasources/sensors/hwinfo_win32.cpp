// HWiNFO's free gadget values: with "Report value in Gadget" ticked for a
// sensor, HWiNFO writes Label<N>, Value<N> ("45.3 °C") and ValueRaw<N>
// under HKCU\Software\HWiNFO64\VSB. They become Sensors.HWiNFO.<label>.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "datasources/sensors/lhm_json.h"
#include "datasources/sensors/monitors.h"

namespace sensors {
namespace {

const wchar_t kKey[] = L"Software\\HWiNFO64\\VSB";
constexpr int kMaxEntries = 1000;

std::optional<std::string> Value(const std::wstring& name)
{
    wchar_t text[512];
    DWORD size = sizeof text;
    if (::RegGetValueW(HKEY_CURRENT_USER, kKey, name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    char utf8[1024];
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    if (length <= 0)
        return std::nullopt;
    return std::string(utf8, static_cast<std::size_t>(length - 1));
}

class HwinfoMonitor final : public Monitor {
public:
    explicit HwinfoMonitor(Say say) : say(std::move(say)) {}

    std::vector<Found> Discover() override
    {
        std::vector<Found> found;
        for (int n = 0; n < kMaxEntries; ++n) {
            const std::optional<std::string> label = Value(L"Label" + std::to_wstring(n));
            const std::optional<std::string> value = Value(L"Value" + std::to_wstring(n));
            if (!label || !value)
                break;
            if (const auto reading = ReadingOf(*value)) {
                entries.push_back(Entry{n, *label});
                found.push_back(Found{"HWiNFO", *label, reading->second, "HWiNFO"});
            }
        }
        if (found.empty())
            say("HWiNFO gives no values (none under HKCU\\Software\\HWiNFO64\\VSB); tick \"Report value in "
                "Gadget\" for the sensors to show in HWiNFO's sensor settings to have them");
        return found;
    }

    void Read(std::span<double> values) override
    {
        bool any = entries.empty();
        for (std::size_t i = 0; i < entries.size() && i < values.size(); ++i) {
            values[i] = 0.0;
            const std::wstring n = std::to_wstring(entries[i].number);
            // The gadget list can change under us: a value counts only under its label.
            if (Value(L"Label" + n) != entries[i].label)
                continue;
            // ValueRaw has the number without thousands separators; Value serves without it.
            if (const std::optional<std::string> raw = Value(L"ValueRaw" + n); raw && !raw->empty()) {
                std::string number = *raw;
                std::replace(number.begin(), number.end(), ',', '.');
                char* end = nullptr;
                const double parsed = std::strtod(number.c_str(), &end);
                if (end == number.c_str() + number.size()) {
                    values[i] = parsed;
                    any = true;
                    continue;
                }
            }
            if (const std::optional<std::string> text = Value(L"Value" + n))
                if (const auto reading = ReadingOf(*text)) {
                    values[i] = reading->first;
                    any = true;
                }
        }
        if (!any && !gone)
            say("HWiNFO's values are gone from the registry; they read 0");
        gone = !any;
    }

private:
    struct Entry {
        int number;
        std::string label;
    };

    Say say;
    std::vector<Entry> entries;
    bool gone = false;
};

} // namespace

std::unique_ptr<Monitor> MakeHwinfoMonitor(Say say)
{
    return std::make_unique<HwinfoMonitor>(std::move(say));
}

} // namespace sensors
