// "LCDd server": shows Glancer's screens on any display an LCDd server (of
// the LCDproc project) drives, as a client of its text protocol on TCP.
// Settings, section "LCDd": Host (default 127.0.0.1), Port (default 13666).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "drivers/lcdd/lcdd_client.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "LCDd server";
const char kSection[] = "LCDd";

lcdd::Endpoint ReadEndpoint()
{
    const glancer::Settings settings(kSection, "LCDd");
    lcdd::Endpoint endpoint;
    endpoint.host = settings.Text("Host", endpoint.host);
    endpoint.port = static_cast<std::uint16_t>(settings.Number("Port", endpoint.port, 1, 65535));
    return endpoint;
}

class LcddDriver : public glancer::DisplayDriver {
public:
    ~LcddDriver() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (client != nullptr)
            return;
        client = std::make_unique<lcdd::LcddClient>(ReadEndpoint(), glancer::Services());
        client->Start();
    }

    void Shutdown() override
    {
        if (client != nullptr)
            client->Stop();
        client.reset();
    }

    bool Configure() override
    {
#ifdef _WIN32
        return false; // no dialog yet: the settings are edited in the registry
#else
        const glancer::Settings settings(kSection, "LCDd");
        const lcdd::Endpoint endpoint = ReadEndpoint();
        std::string answer;
        std::printf("LCDd server. An empty answer keeps the value in brackets.\n");
        if (!glancer::Ask("Host", endpoint.host, answer))
            return true;
        if (!answer.empty())
            settings.WriteText("Host", answer);
        if (!glancer::Ask("Port (1..65535)", std::to_string(endpoint.port), answer) || answer.empty())
            return true;
        char* end = nullptr;
        const long port = std::strtol(answer.c_str(), &end, 10);
        if (*end == '\0' && port >= 1 && port <= 65535)
            settings.WriteNumber("Port", static_cast<std::uint32_t>(port));
        else
            std::printf("\"%s\" is not a port number; Port is kept.\n", answer.c_str());
        return true;
#endif
    }

    // The server's size once Init has met it; 20 x 4 until then.
    DisplayInfo GetDisplayInfo() override
    {
        return client != nullptr ? client->Info() : charpanel::InfoFor(charpanel::Geometry{});
    }

    void Clear() override
    {
        if (client != nullptr)
            client->Clear();
    }
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y) override
    {
        if (client != nullptr)
            client->WriteText(text, x, y);
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        if (client != nullptr)
            client->UpdateRegion(frame, x, y, width, height);
    }

private:
    std::unique_ptr<lcdd::LcddClient> client;
};

const glancer::About kAbout{kName,
                            {"Display driver: any display an LCDd server drives (LCDproc)",
                             "Talks to LCDd over TCP (settings Host and Port, section LCDd)",
                             "Pictures become LCDd bar widgets", "Version " GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, LcddDriver)
