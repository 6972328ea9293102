// "Virtual display": a display driver that emulates an LCD panel, for
// working on screens without the hardware. The panel is shown in a window
// (Windows) or the terminal (elsewhere) and can be kept as a picture file.
// Settings, section "VirtualDisplay": see virtual_settings.h.
#include <memory>

#include "drivers/virtual/panel_view.h"
#include "drivers/virtual/presenter.h"
#include "drivers/virtual/virtual_settings.h"
#include "plugin/api/glancer_settings.hpp"

namespace {

using namespace vdisplay;

const char kName[] = "Virtual display";
#ifdef _WIN32
const char kWhere[] = "Shown in a window of its own";
#else
const char kWhere[] = "Shown in the terminal with half-block characters";
#endif

class VirtualDriver : public glancer::DisplayDriver {
public:
    ~VirtualDriver() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (running)
            return;
        try {
            CurrentSettings();
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

    bool Configure() override { return kSettings.Configure(kName); }

    DisplayInfo GetDisplayInfo() override
    {
        const vdisplay::Geometry& geometry = CurrentSettings().geometry;
        return DisplayInfo{geometry.xPixels, geometry.yPixels, geometry.xChars, geometry.yChars};
    }

    // Drawing only takes a lock, which throws only when the system is broken.
    void Clear() override { presenter.Clear(); }
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y) override { presenter.WriteText(text, x, y); }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        presenter.CopyRegion(frame, x, y, width, height);
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
