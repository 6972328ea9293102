#pragma once

// The display-driver side shared by character-panel drivers: a driver
// reads its settings, then Start()s with its transport and device, and
// every drawing call goes to the PanelLink.
#include <functional>
#include <memory>
#include <string>

#include "drivers/charpanel/panel_link.h"
#include "plugin/api/glancer_plugin.hpp"

namespace charpanel {

class PanelDriver : public glancer::DisplayDriver {
public:
    ~PanelDriver() override
    {
        if (link_ != nullptr)
            link_->Stop();
    }

    void Shutdown() override
    {
        if (link_ != nullptr)
            link_->Stop();
    }
    void Clear() override
    {
        if (link_ != nullptr)
            link_->Clear();
    }
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row) override
    {
        if (link_ != nullptr)
            link_->WriteText(text, column, row);
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        if (link_ != nullptr)
            link_->UpdateRegion(frame, x, y, width, height);
    }

protected:
    bool Started() const { return link_ != nullptr; }

    // Opens the panel (see PanelLink::Start); `makeDevice` builds the
    // device on the link's byte sink.
    void Start(std::unique_ptr<Transport> transport, const std::string& name, const std::string& where,
               Geometry geometry, const std::function<std::unique_ptr<Device>(ByteSink&)>& makeDevice)
    {
        transport_ = std::move(transport);
        link_ = std::make_unique<PanelLink>(*transport_, name, where);
        device_ = makeDevice(*link_);
        link_->Start(geometry, *device_);
    }

private:
    // Destroyed in reverse: the device and the link go before the transport.
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<PanelLink> link_;
    std::unique_ptr<Device> device_;
};

} // namespace charpanel
