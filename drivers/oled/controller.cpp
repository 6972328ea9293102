#include "drivers/oled/controller.h"

#include <algorithm>
#include <initializer_list>

namespace oled {

std::vector<std::uint8_t> InitCommands(const Config& config)
{
    const bool ssd = config.controller == Controller::Ssd1306;
    const auto rows = static_cast<std::uint8_t>(config.height - 1);
    std::vector<std::uint8_t> commands;
    // Appending byte by byte: GCC 12 at -O3 misreads the range insert as
    // out of bounds.
    const auto add = [&commands](std::initializer_list<std::uint8_t> bytes) {
        for (const std::uint8_t byte : bytes)
            commands.push_back(byte);
    };
    add({
        0xAE,       // display off while we set it up
        0xD5, 0x80, // clock divider and oscillator: the datasheets' reset values
        0xA8, rows, // multiplex ratio: the panel's rows
        0xD3, 0x00, // no display offset
        0x40,       // start line 0
    });
    if (ssd)
        add({0x8D, 0x14,   // charge pump on (no external supply)
                                         0x20, 0x02}); // page addressing
    else
        add({0xAD, 0x8B, // DC-DC converter on
                                         0x32});     // pump 8.0 V
    // Segment remap and COM scan direction together turn the picture by 180 degrees.
    if (config.rotate180)
        add({0xA0, 0xC0});
    else
        add({0xA1, 0xC8});
    add({
                                        0xDA, static_cast<std::uint8_t>(config.height > 32 ? 0x12 : 0x02), // COM pins
                                        0x81, static_cast<std::uint8_t>(config.contrast), 0xD9,
                                        static_cast<std::uint8_t>(ssd ? 0xF1 : 0x22),       // pre-charge
                                        0xDB, static_cast<std::uint8_t>(ssd ? 0x40 : 0x35), // VCOM deselect level
                                        0xA4,                                               // show the memory
                                        0xA6,                                               // not inverted
                                    });
    if (ssd)
        commands.push_back(0x2E); // no scrolling
    return commands;
}

PageWriter::PageWriter(const Config& config)
    : config_(config), pages_(std::size_t{config.width} * (config.height / 8)), shown_(pages_.size())
{
    message_.reserve(config.width + 1);
}

bool PageWriter::Send(const std::vector<std::uint8_t>& picture, I2cLink& link, std::string& error)
{
    const std::uint32_t width = config_.width;
    if (picture.size() < std::size_t{width} * config_.height)
        return true;
    for (std::uint32_t page = 0; page < config_.height / 8; ++page) {
        std::uint8_t* out = pages_.data() + std::size_t{page} * width;
        const std::uint8_t* rows = picture.data() + std::size_t{page} * 8 * width;
        for (std::uint32_t column = 0; column < width; ++column) {
            std::uint8_t bits = 0;
            for (std::uint32_t bit = 0; bit < 8; ++bit)
                bits |= static_cast<std::uint8_t>((rows[std::size_t{bit} * width + column] != 0 ? 1u : 0u) << bit);
            out[column] = bits;
        }
        const std::uint8_t* held = shown_.data() + std::size_t{page} * width;
        std::uint32_t first = 0;
        std::uint32_t end = width;
        if (known_) {
            while (first < width && out[first] == held[first])
                ++first;
            while (end > first && out[end - 1] == held[end - 1])
                --end;
        }
        if (first < end && !SendRun(page, first, end, link, error)) {
            known_ = false;
            return false;
        }
    }
    shown_.swap(pages_);
    known_ = true;
    return true;
}

bool PageWriter::SendRun(std::uint32_t page, std::uint32_t first, std::uint32_t end, I2cLink& link, std::string& error)
{
    const std::uint32_t column = first + (config_.controller == Controller::Sh1106 ? 2 : 0);
    const std::uint8_t address[] = {kCommandStream, static_cast<std::uint8_t>(0xB0 | page),
                                    static_cast<std::uint8_t>(column & 0x0F),
                                    static_cast<std::uint8_t>(0x10 | (column >> 4))};
    if (!link.Write(address, sizeof address, error))
        return false;
    const std::uint8_t* data = pages_.data() + std::size_t{page} * config_.width;
    message_.assign(1, kDataStream);
    message_.insert(message_.end(), data + first, data + end);
    return link.Write(message_.data(), message_.size(), error);
}

} // namespace oled
