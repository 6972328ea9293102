// "Web panel": a display driver that shows the panel in a web browser, for
// working on screens without the hardware or beside it (a second working
// directory with this driver and the same screens).
// Settings, section "WebPanel": see web_settings.h.
#include "drivers/web-panel/panel_server.h"
#include "drivers/web-panel/web_settings.h"
#include "plugin/api/glancer_settings.hpp"

namespace {

using namespace webpanel;

class WebPanelDriver : public glancer::DisplayDriver {
public:
    ~WebPanelDriver() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (running)
            return;
        try {
            server.Start(CurrentSettings(), glancer::Services());
            running = true;
        } catch (...) {
            // Without memory or a thread the panel stays unseen; the program runs on.
            glancer::Log("Web panel: could not start; nothing is served");
        }
    }

    void Shutdown() override
    {
        if (!running)
            return;
        server.Stop();
        running = false;
    }

    bool Configure() override { return kSettings.Configure(kName); }

    DisplayInfo GetDisplayInfo() override
    {
        const Geometry& geometry = CurrentSettings().geometry;
        return DisplayInfo{geometry.xPixels, geometry.yPixels, geometry.xChars, geometry.yChars};
    }

    // Drawing only takes a lock, which throws only when the system is broken.
    void Clear() override { server.Clear(); }
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y) override { server.WriteText(text, x, y); }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        server.CopyRegion(frame, x, y, width, height);
    }

private:
    const Settings& CurrentSettings()
    {
        if (!settingsRead) {
            settings = ReadSettings(glancer::Services());
            settingsRead = true;
        }
        return settings;
    }

    Settings settings;
    bool settingsRead = false;
    PanelServer server;
    bool running = false;
};

const glancer::About kAbout{kName,
                            {"Display driver: the panel in a web browser, text and graphics",
                             "Open http://127.0.0.1:8086/ (settings Address, Port)",
                             "Several browsers may watch at once", "Version " GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, WebPanelDriver)
