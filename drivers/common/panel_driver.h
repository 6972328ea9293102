#pragma once

// The display-driver side of every hardware panel: a driver reads its
// settings, then Start()s with its transport and model; the drawing calls
// go to the model through the supervisor, so nothing here waits for the
// device.
#include <memory>

#include "drivers/common/supervisor.h"
#include "plugin/api/glancer_plugin.hpp"

namespace panelcore {

class PanelDriver : public glancer::DisplayDriver {
public:
    ~PanelDriver() override { Stop(); }

    void Shutdown() override { Stop(); }
    void Clear() override
    {
        Draw([](Model& model) { model.Clear(); });
    }
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row) override
    {
        Draw([&](Model& model) { model.WriteText(text, column, row); });
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        Draw([&](Model& model) { model.UpdateRegion(frame, x, y, width, height); });
    }

protected:
    bool Started() const { return supervisor_ != nullptr; }
    // See Supervisor::TryWake; true when there is nothing to wake.
    bool TryWake() { return supervisor_ == nullptr || supervisor_->TryWake(); }

    void Start(std::unique_ptr<Transport> transport, std::unique_ptr<Model> model, SupervisorOptions options)
    {
        transport_ = std::move(transport);
        model_ = std::move(model);
        supervisor_ = std::make_unique<Supervisor>(*transport_, *model_, std::move(options));
        supervisor_->Start();
    }

private:
    template <class Change> void Draw(Change&& change)
    {
        if (supervisor_ != nullptr)
            supervisor_->Draw(change);
    }
    void Stop()
    {
        if (supervisor_ != nullptr)
            supervisor_->Stop();
        supervisor_.reset(); // before what it uses
        model_.reset();
        transport_.reset();
    }

    std::unique_ptr<Transport> transport_;
    std::unique_ptr<Model> model_;
    std::unique_ptr<Supervisor> supervisor_;
};

} // namespace panelcore
