#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "drivers/common/transport.h"

namespace oled {

enum class Controller { Ssd1306, Sh1106 };

struct Config {
    Controller controller = Controller::Ssd1306;
    std::uint32_t bus = 1; // /dev/i2c-<bus>
    std::uint32_t address = 0x3C;
    std::uint32_t width = 128; // one of the controller's Sizes
    std::uint32_t height = 64;
    std::uint32_t contrast = 127; // 0..255
    bool rotate180 = false;       // for a module mounted upside down
    bool offAtExit = true;        // switch the panel off after the farewell
};

// A glass size a controller drives: how many rows it multiplexes is the
// height; which COM pin layout the module uses; at which of the
// controller's columns the glass starts, upright (segments remapped).
struct Size {
    std::uint32_t width;
    std::uint32_t height;
    std::uint8_t comPins;
    std::uint8_t columnOffset;
};

// The sizes modules are sold in for `controller`; the first is the default.
std::span<const Size> Sizes(Controller controller);
// The entry for the configured size, or null when the controller does not drive it.
const Size* FindSize(const Config& config);

// The first byte of every bus write says what follows.
constexpr std::uint8_t kCommandStream = 0x00;
constexpr std::uint8_t kDataStream = 0x40;
constexpr std::uint8_t kDisplayOn = 0xAF;
constexpr std::uint8_t kDisplayOff = 0xAE;

// The commands that set the controller up from any state, display off.
// Both controllers are driven in page addressing mode: a page is 8 rows,
// one byte per column, bit 0 the top row.
std::vector<std::uint8_t> InitCommands(const Config& config);

// Keeps what the panel's memory holds and writes only what differs: per
// changed page, one address command and the columns from the first to the
// last changed one.
class PageWriter {
public:
    explicit PageWriter(const Config& config);

    // The panel's memory is unknown (a restart): the next Send writes it all.
    void Invalidate() { known_ = false; }
    // `picture`: width * height bytes, rows from the top, nonzero lit. When
    // the transport fails the memory is unknown.
    panelcore::Transport::Sent Send(const std::vector<std::uint8_t>& picture, panelcore::Transport& transport);

private:
    panelcore::Transport::Sent SendRun(std::uint32_t page, std::uint32_t first, std::uint32_t end,
                                       panelcore::Transport& transport);

    Config config_;
    std::uint32_t columnOffset_;
    std::vector<std::uint8_t> pages_;   // what the panel should hold
    std::vector<std::uint8_t> shown_;   // what it holds
    std::vector<std::uint8_t> message_; // one bus write
    bool known_ = false;
};

} // namespace oled
