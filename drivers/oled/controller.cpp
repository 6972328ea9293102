#include "drivers/oled/controller.h"

#include <algorithm>
#include <initializer_list>

namespace oled {
namespace {

using Sent = panelcore::Transport::Sent;

// The SSD1306 has 128 columns and 64 rows; smaller glass sits at an offset.
constexpr Size kSsd1306Sizes[] = {
    {128, 64, 0x12, 0}, {128, 32, 0x02, 0}, {96, 16, 0x02, 0},
    {64, 48, 0x12, 32}, {64, 32, 0x12, 32}, {72, 40, 0x12, 28},
};
// The SH1106 has 132 columns; 128-wide glass shows 2..129.
constexpr Size kSh1106Sizes[] = {{128, 64, 0x12, 2}, {128, 32, 0x02, 2}};

// What differs between the controllers, as sent after the common start.
struct Table {
    std::span<const std::uint8_t> power; // charge pump or DC-DC converter, addressing mode
    std::uint8_t precharge;
    std::uint8_t vcomDeselect;
    std::span<const std::uint8_t> last;
};

constexpr std::uint8_t kSsd1306Power[] = {0x8D, 0x14,  // charge pump on (no external supply)
                                          0x20, 0x02}; // page addressing
constexpr std::uint8_t kSsd1306Last[] = {0x2E};        // no scrolling
constexpr std::uint8_t kSh1106Power[] = {0xAD, 0x8B,   // DC-DC converter on
                                         0x32};        // pump 8.0 V
constexpr Table kSsd1306{kSsd1306Power, 0xF1, 0x40, kSsd1306Last};
constexpr Table kSh1106{kSh1106Power, 0x22, 0x35, {}};

} // namespace

std::span<const Size> Sizes(Controller controller)
{
    if (controller == Controller::Sh1106)
        return kSh1106Sizes;
    return kSsd1306Sizes;
}

const Size* FindSize(const Config& config)
{
    for (const Size& size : Sizes(config.controller))
        if (size.width == config.width && size.height == config.height)
            return &size;
    return nullptr;
}

std::vector<std::uint8_t> InitCommands(const Config& config)
{
    const Table& table = config.controller == Controller::Sh1106 ? kSh1106 : kSsd1306;
    const Size* found = FindSize(config);
    const Size size = found != nullptr ? *found : Sizes(config.controller).front();
    std::vector<std::uint8_t> commands;
    // Appending byte by byte: GCC 12 at -O3 misreads the range insert as
    // out of bounds.
    const auto add = [&commands](std::span<const std::uint8_t> bytes) {
        for (const std::uint8_t byte : bytes)
            commands.push_back(byte);
    };
    add(std::initializer_list<std::uint8_t>{
        kDisplayOff,                                      // while we set it up
        0xD5, 0x80,                                       // clock: the datasheets' reset values
        0xA8, static_cast<std::uint8_t>(size.height - 1), // multiplex ratio: the glass's rows
        0xD3, 0x00,                                       // no display offset
        0x40,                                             // start line 0
    });
    add(table.power);
    // Segment remap and COM scan direction together turn the picture by 180 degrees.
    if (config.rotate180)
        add(std::initializer_list<std::uint8_t>{0xA0, 0xC0});
    else
        add(std::initializer_list<std::uint8_t>{0xA1, 0xC8});
    add(std::initializer_list<std::uint8_t>{0xDA, size.comPins, 0x81, static_cast<std::uint8_t>(config.contrast), 0xD9,
                                            table.precharge, 0xDB, table.vcomDeselect,
                                            0xA4,   // show the memory
                                            0xA6}); // not inverted
    add(table.last);
    return commands;
}

namespace {

// Where the picture's first column goes. Turned by 180 degrees the columns
// run the other way, so the glass starts as far from the controller's last
// column as it did from its first.
std::uint32_t ColumnOffset(const Config& config)
{
    const Size* size = FindSize(config);
    if (size == nullptr)
        return 0;
    if (!config.rotate180)
        return size->columnOffset;
    const std::uint32_t columns = config.controller == Controller::Sh1106 ? 132 : 128;
    return columns - size->width - size->columnOffset;
}

} // namespace

PageWriter::PageWriter(const Config& config)
    : config_(config), columnOffset_(ColumnOffset(config)), pages_(std::size_t{config.width} * (config.height / 8)),
      shown_(pages_.size())
{
    message_.reserve(config.width + 1);
}

Sent PageWriter::Send(const std::vector<std::uint8_t>& picture, panelcore::Transport& transport)
{
    const std::uint32_t width = config_.width;
    if (picture.size() < std::size_t{width} * config_.height)
        return Sent::All;
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
        if (first < end) {
            const Sent sent = SendRun(page, first, end, transport);
            if (sent != Sent::All) {
                known_ = false;
                return sent;
            }
        }
    }
    shown_.swap(pages_);
    known_ = true;
    return Sent::All;
}

Sent PageWriter::SendRun(std::uint32_t page, std::uint32_t first, std::uint32_t end, panelcore::Transport& transport)
{
    const std::uint32_t column = first + columnOffset_;
    const std::uint8_t address[] = {kCommandStream, static_cast<std::uint8_t>(0xB0 | page),
                                    static_cast<std::uint8_t>(column & 0x0F),
                                    static_cast<std::uint8_t>(0x10 | (column >> 4))};
    const Sent sent = transport.Send(address, sizeof address);
    if (sent != Sent::All)
        return sent;
    const std::uint8_t* data = pages_.data() + std::size_t{page} * config_.width;
    message_.assign(1, kDataStream);
    message_.insert(message_.end(), data + first, data + end);
    return transport.Send(message_.data(), message_.size());
}

} // namespace oled
