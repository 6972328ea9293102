// "Virtual display": a display driver that emulates an LCD panel, for
// working on screens without the hardware. The panel is shown in a window
// (Windows) or the terminal (elsewhere) and can be kept as a picture file.
// Settings, section "VirtualDisplay": see virtual_settings.h.
#include <memory>

#include "drivers/common/emulated_driver.h"
#include "drivers/virtual/panel_view.h"
#include "drivers/virtual/presenter.h"
#include "drivers/virtual/virtual_settings.h"

namespace {

using namespace vdisplay;

const char kName[] = "Virtual display";
#ifdef _WIN32
const char kWhere[] = "Shown in a window of its own";
#else
const char kWhere[] = "Shown in the terminal with half-block characters";
#endif

class VirtualDriver : public panelcore::EmulatedDriver<Settings, Presenter> {
public:
    VirtualDriver() : EmulatedDriver(kName, kSettings, &ReadSettings) {}
    ~VirtualDriver() override { Shutdown(); }

    void Init() override
    {
        if (running)
            return;
        try {
            const Settings& settings = CurrentSettings();
            view = MakePlatformView();
            if (view != nullptr && !view->Start(settings, glancer::Services()))
                view.reset();
            running = true;
            presenter.Start(settings, view.get(), glancer::Services());
        } catch (...) {
            // Without memory or a thread the panel stays unseen; the program runs on.
            glancer::Log("Virtual display: could not start; nothing is shown");
        }
    }

    void Shutdown() override
    {
        if (!running)
            return;
        presenter.Stop();
        if (view != nullptr)
            view->Stop();
        view.reset();
        running = false;
    }

protected:
    Presenter& Shown() override { return presenter; }

private:
    std::unique_ptr<PanelView> view; // outlives the presenter, which shows into it
    Presenter presenter;
    bool running = false;
};

const glancer::About kAbout{kName,
                            {"Display driver: an emulated LCD panel, text and graphics", kWhere,
                             "Can keep the panel as a PNG or PBM picture (setting Snapshot)",
                             "Version " GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, VirtualDriver)
