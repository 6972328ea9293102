#include "drivers/oled/oled_model.h"

namespace oled {

using Sent = panelcore::Transport::Sent;

OledModel::OledModel(const Config& config)
    : config_(config), shared_(GeometryOf(config)), work_(GeometryOf(config)), writer_(config)
{
    init_ = InitCommands(config);
    init_.insert(init_.begin(), kCommandStream);
}

panelcore::Geometry OledModel::GeometryOf(const Config& config)
{
    return panelcore::Geometry{config.width, config.height, config.width / panelcore::kCellWidth,
                               config.height / panelcore::kCellHeight};
}

void OledModel::Take(bool everything)
{
    work_ = shared_;
    if (everything) {
        setUp_ = true;
        writer_.Invalidate();
    }
}

Sent OledModel::Send(panelcore::Transport& transport)
{
    if (setUp_) {
        const Sent sent = transport.Send(init_.data(), init_.size());
        if (sent != Sent::All)
            return sent;
        setUp_ = false;
        on_ = false;
    }
    work_.Compose(picture_);
    Sent sent = writer_.Send(picture_, transport);
    if (sent == Sent::All && !on_) {
        const std::uint8_t on[] = {kCommandStream, kDisplayOn};
        sent = transport.Send(on, sizeof on);
        on_ = sent == Sent::All;
    }
    return sent;
}

void OledModel::Farewell(panelcore::Transport& transport)
{
    // The farewell is drawn by now; a lit, unchanging picture would burn in.
    if (!config_.offAtExit)
        return;
    const std::uint8_t off[] = {kCommandStream, kDisplayOff};
    transport.Send(off, sizeof off);
}

} // namespace oled
