#pragma once

// Rebuilds what an SSD1306 or SH1106 module shows from the bytes written to
// it over I2C, from the controllers' datasheets: command and data streams,
// page addressing, segment remap and COM scan direction, and the set-up a
// module needs before it lights (supply on, multiplex and COM pins for its
// rows). Anything else is reported in `errors`.
#include <cstdint>
#include <string>
#include <vector>

class OledDecoder {
public:
    // `offset`: the controller column where the glass starts; `comPins`:
    // the COM pin layout the module is wired for.
    OledDecoder(bool sh1106, std::uint32_t width, std::uint32_t height, std::uint32_t offset, std::uint8_t comPins)
        : sh1106_(sh1106), width_(width), height_(height), offset_(offset), wiredPins_(comPins), ram_(132 * 8, 0)
    {
    }

    // One bus write: a control byte, then commands or data.
    void Write(const std::uint8_t* bytes, std::size_t size)
    {
        bytes_ += size;
        if (size == 0 || (bytes[0] != 0x00 && bytes[0] != 0x40))
            return Error("control byte");
        for (std::size_t i = 1; i < size; ++i)
            bytes[0] == 0x40 ? Data(bytes[i]) : Command(bytes[i]);
    }

    // The picture as seen with the module upright (remapped segments and
    // COM scan), turned when it is mounted upside down; all dark while off.
    std::vector<std::uint8_t> Picture(bool upsideDown) const
    {
        std::vector<std::uint8_t> out(std::size_t{width_} * height_, 0);
        if (!on_)
            return out;
        for (std::uint32_t y = 0; y < height_; ++y)
            for (std::uint32_t x = 0; x < width_; ++x) {
                // Remapped segments count from the controller's last column.
                const std::uint32_t columns = sh1106_ ? 132 : 128;
                const std::uint32_t column = segRemap_ ? offset_ + x : columns - 1 - offset_ - x;
                const std::uint32_t row = comRemap_ ? y : height_ - 1 - y;
                const std::size_t at =
                    upsideDown ? std::size_t{height_ - 1 - y} * width_ + (width_ - 1 - x) : std::size_t{y} * width_ + x;
                out[at] = (ram_[std::size_t{row / 8} * 132 + column] >> (row % 8)) & 1;
            }
        return out;
    }

    std::size_t Bytes() const { return bytes_; }
    std::vector<std::string> errors;

private:
    void Error(const std::string& what) { errors.push_back(what); }

    void Data(std::uint8_t value)
    {
        if (column_ >= (sh1106_ ? 132u : 128u))
            return Error("data past the last column");
        ram_[std::size_t{page_} * 132 + column_++] = value;
    }

    void Command(std::uint8_t c)
    {
        if (argument_ != 0) {
            Argument(argument_, c);
            argument_ = 0;
            return;
        }
        const bool ssdOnly = c == 0x20 || c == 0x8D || c == 0x2E;
        const bool shOnly = c == 0xAD || (c >= 0x30 && c <= 0x33);
        if ((sh1106_ && ssdOnly) || (!sh1106_ && shOnly))
            return Error("command of the other controller");
        if (c <= 0x0F)
            column_ = (column_ & 0xF0) | c;
        else if (c <= 0x1F)
            column_ = (column_ & 0x0F) | ((c & 0x0F) << 4);
        else if (c >= 0xB0 && c <= 0xB7)
            page_ = c & 7;
        else if (c == 0xA0 || c == 0xA1)
            segRemap_ = c == 0xA1;
        else if (c == 0xC0 || c == 0xC8)
            comRemap_ = c == 0xC8;
        else if (c == 0xAE || c == 0xAF) {
            on_ = c == 0xAF;
            if (on_ && (!supply_ || multiplex_ + 1 != height_ || comPins_ != wiredPins_))
                Error("switched on without supply, multiplex or COM pins for the panel");
        } else if (c == 0x81 || c == 0x8D || c == 0xA8 || c == 0xD3 || c == 0xD5 || c == 0xD9 || c == 0xDA ||
                   c == 0xDB || c == 0x20 || c == 0xAD)
            argument_ = c;
        else if (c == 0x40 || c == 0xA4 || c == 0xA6 || c == 0x2E || (c >= 0x30 && c <= 0x33) || c == 0xE3)
            ; // start line 0, show memory, not inverted, no scroll, pump voltage, no operation
        else
            Error("unexpected command " + std::to_string(c));
    }

    void Argument(std::uint8_t command, std::uint8_t value)
    {
        if (command == 0xA8)
            multiplex_ = value;
        else if (command == 0xDA)
            comPins_ = value;
        else if (command == 0x8D || command == 0xAD)
            supply_ = value == (command == 0x8D ? 0x14 : 0x8B);
        else if ((command == 0x20 && value != 0x02) || (command == 0xD3 && value != 0))
            Error("addressing mode or offset the decoder does not model");
    }

    bool sh1106_;
    std::uint32_t width_, height_, offset_;
    std::uint8_t wiredPins_;
    std::vector<std::uint8_t> ram_; // 132 columns x 8 pages
    std::uint32_t page_ = 0, column_ = 0, multiplex_ = 63, comPins_ = 0x12;
    std::uint8_t argument_ = 0;
    bool segRemap_ = false, comRemap_ = false, on_ = false, supply_ = false;
    std::size_t bytes_ = 0;
};
