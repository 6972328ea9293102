#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drivers/oled/i2c_link.h"

namespace oled {

enum class Controller { Ssd1306, Sh1106 };

struct Config {
    Controller controller = Controller::Ssd1306;
    std::uint32_t bus = 1; // /dev/i2c-<bus>
    std::uint32_t address = 0x3C;
    std::uint32_t width = 128;    // at most 128
    std::uint32_t height = 64;    // a multiple of 8, at most 64
    std::uint32_t contrast = 127; // 0..255
    bool rotate180 = false;       // for a module mounted upside down
};

// The first byte of every bus write says what follows.
constexpr std::uint8_t kCommandStream = 0x00;
constexpr std::uint8_t kDataStream = 0x40;
constexpr std::uint8_t kDisplayOn = 0xAF;

// The commands that set the controller up from any state, display off.
// Both controllers are driven in page addressing mode: a page is 8 rows,
// one byte per column, bit 0 the top row.
std::vector<std::uint8_t> InitCommands(const Config& config);

// Keeps what the panel's memory holds and writes only what differs: per
// changed page, one address command and the columns from the first to the
// last changed one. The SH1106 has 132 columns, the glass shows 2..129.
class PageWriter {
public:
    explicit PageWriter(const Config& config);

    // The panel's memory is unknown (a restart): the next Send writes it all.
    void Invalidate() { known_ = false; }
    // `picture`: width * height bytes, rows from the top, nonzero lit.
    // False, with `error`, when the link fails; the memory is then unknown.
    bool Send(const std::vector<std::uint8_t>& picture, I2cLink& link, std::string& error);

private:
    bool SendRun(std::uint32_t page, std::uint32_t first, std::uint32_t end, I2cLink& link, std::string& error);

    Config config_;
    std::vector<std::uint8_t> pages_;   // what the panel should hold
    std::vector<std::uint8_t> shown_;   // what it holds
    std::vector<std::uint8_t> message_; // one bus write
    bool known_ = false;
};

} // namespace oled
