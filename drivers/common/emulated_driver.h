#pragma once

// The display-driver side of a panel emulated on this computer (a window,
// the terminal, a web page): the settings are read once, at their first
// use, and the drawing calls go straight to the driver's target, whose
// Clear, WriteText and CopyRegion are safe from any thread. The target
// stays a member of the driver itself, so that the driver decides what it
// must outlive.
#include <cstdint>

#include "plugin/api/glancer_plugin.hpp"
#include "plugin/api/glancer_settings.hpp"

namespace panelcore {

template <class Settings, class Target> class EmulatedDriver : public glancer::DisplayDriver {
public:
    using SettingsReader = Settings (*)(CoreServices* services);

    EmulatedDriver(const char* name, const glancer::DeclaredSettings& declared, SettingsReader read)
        : name_(name), declared_(declared), read_(read)
    {
    }

    const char* Name() const override { return name_; }

    bool Configure() override { return declared_.Configure(name_); }

    DisplayInfo GetDisplayInfo() override
    {
        const auto& geometry = CurrentSettings().geometry;
        return DisplayInfo{geometry.xPixels, geometry.yPixels, geometry.xChars, geometry.yChars};
    }

    // Drawing only takes a lock, which throws only when the system is broken.
    void Clear() override { Shown().Clear(); }
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y) override { Shown().WriteText(text, x, y); }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        Shown().CopyRegion(frame, x, y, width, height);
    }

protected:
    // What the drawing calls change.
    virtual Target& Shown() = 0;

    const Settings& CurrentSettings()
    {
        if (!settingsRead_) {
            settings_ = read_(glancer::Services());
            settingsRead_ = true;
        }
        return settings_;
    }

private:
    const char* name_;
    const glancer::DeclaredSettings& declared_;
    SettingsReader read_;
    Settings settings_;
    bool settingsRead_ = false;
};

} // namespace panelcore
