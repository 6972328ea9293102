// "Web panel": a display driver that shows the panel in a web browser, for
// working on screens without the hardware or beside it (a second working
// directory with this driver and the same screens).
// Settings, section "WebPanel": see web_settings.h.
#include "drivers/common/emulated_driver.h"
#include "drivers/web-panel/panel_server.h"
#include "drivers/web-panel/web_settings.h"

namespace {

using namespace webpanel;

class WebPanelDriver : public panelcore::EmulatedDriver<Settings, PanelServer> {
public:
    WebPanelDriver() : EmulatedDriver(kName, kSettings, &ReadSettings) {}
    ~WebPanelDriver() override { Shutdown(); }

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

protected:
    PanelServer& Shown() override { return server; }

private:
    PanelServer server;
    bool running = false;
};

const glancer::About kAbout{kName,
                            {"Display driver: the panel in a web browser, text and graphics",
                             "Open http://127.0.0.1:8086/ (settings Address, Port)",
                             "Several browsers may watch at once", "Version " GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, WebPanelDriver)
