// "LCDd server": shows Glancer's screens on any display an LCDd server (of
// the LCDproc project) drives, as a client of its text protocol on TCP.
// Settings, section "LCDd": Host (default 127.0.0.1), Port (default 13666).
#include <algorithm>
#include <memory>

#include "drivers/charpanel/char_model.h"
#include "drivers/common/panel_driver.h"
#include "drivers/lcdd/lcdd_link.h"
#include "drivers/lcdd/lcdd_screen.h"
#include "plugin/api/glancer_plugin.hpp"
#include "plugin/api/glancer_settings.hpp"

namespace {

using namespace std::chrono_literals;

const char kName[] = "LCDd server";
const char kSection[] = "LCDd";

const glancer::DeclaredSettings kSettings(kSection, "LCDd", {
    glancer::setting::Text("Host", "Host name or address of the LCDd server", "127.0.0.1"),
    glancer::setting::Number("Port", "Its TCP port", 13666, 1, 65535),
});

class LcddDriver : public panelcore::PanelDriver {
public:
    const char* Name() const override { return kName; }

    // Learns the panel's size from the server's greeting, waiting a couple
    // of seconds at most; 20 x 4 when there is no server.
    void Init() override
    {
        if (Started())
            return;
        const glancer::SettingValues settings = kSettings.Read();
        auto link = std::make_unique<lcdd::LcddLink>(settings.Text("Host"),
                                                     static_cast<std::uint16_t>(settings.Number("Port")));
        if (const std::optional<lcdd::Greeting> greeting = link->Connect())
            size = charpanel::Geometry{std::min(greeting->columns, charpanel::kMaxColumns),
                                       std::min(greeting->rows, charpanel::kMaxRows)};
        const lcdd::LcddLink& greeted = *link;
        auto model = std::make_unique<charpanel::CharModel>("LCDd", size, [&](charpanel::ByteSink& sink) {
            return std::make_unique<lcdd::LcddScreen>(sink, size.columns, size.rows, greeted.Greeted());
        });
        // A server that greets and hangs up at once is called less and less
        // often, and counts as back only once a connection has held.
        panelcore::SupervisorOptions options{"LCDd", link->Where(), 500ms};
        options.retryLongest = 15s;
        options.settle = 10s;
        options.sayWhen = true;
        Start(std::move(link), std::move(model), std::move(options));
    }

    bool Configure() override { return kSettings.Configure(kName); }

    // The server's size once Init has met it; 20 x 4 until then.
    DisplayInfo GetDisplayInfo() override { return charpanel::InfoFor(size); }

private:
    charpanel::Geometry size;
};

const glancer::About kAbout{kName,
                            {"Display driver: any display an LCDd server drives (LCDproc)",
                             "Talks to LCDd over TCP (settings Host and Port, section LCDd)",
                             "Pictures become LCDd bar widgets", "Version " GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, LcddDriver)
