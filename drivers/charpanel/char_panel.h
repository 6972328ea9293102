#pragma once

// A character panel (HD44780 and compatibles) shown through a Device: the
// part of a driver that does not depend on how the panel is reached.
//
// Geometry. Columns x Rows text cells. Pixel content is laid out as 6 x 8
// pixels per cell: five columns the panel shows, then one for the gap
// between characters, which is never shown. The pixel area is two columns
// wider than the cells, as on graphic panels with the same text grid: a
// 20 x 4 panel reports 122 x 32 pixels, so screens written for those
// (text row r on pixel rows 8r..8r+7) fit and land on the cells they were
// meant for; the two extra columns are not shown.
//
// What a cell shows. Text written last, unless pixels drawn later have
// something lit in the cell; then a character made from the cell's five by
// eight pixels (see GlyphPalette for how eight user characters go round).
// Pixels with nothing lit leave text alone and blank a picture's cell.
// Clear blanks everything.
//
// Traffic. Drawing calls only change the content; Sync sends the device
// what changed since the last Sync. The panel keeps a shadow of what the
// device shows and sends only the cells that differ: a cursor move, then runs of changed characters
// (short unchanged gaps are resent when that is cheaper than a move). An
// unchanged screen sends nothing. Texts are mapped to the character ROM
// (RomCode).
//
// Not thread-safe: its owner serialises calls. Allocates only in its
// constructor.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "drivers/charpanel/device.h"
#include "drivers/charpanel/glyph_palette.h"
#include "plugin/api/glancer_plugin.h"

namespace glancer {
struct Setting;
class SettingValues;
}

namespace charpanel {

constexpr std::uint32_t kCellWidth = 6; // five shown, one gap
constexpr std::uint32_t kCellHeight = 8;
constexpr std::uint32_t kExtraColumns = 2; // pixel columns right of the last cell
constexpr std::uint32_t kMaxColumns = 40;
constexpr std::uint32_t kMaxRows = 4;

struct Geometry {
    std::uint32_t columns = 20;
    std::uint32_t rows = 4;
};

// The settings every character panel has, for a driver's declared list:
// Columns (1..40), Rows (1..4), Charset (A00 or A02, the module's ROM).
glancer::Setting ColumnsSetting();
glancer::Setting RowsSetting();
glancer::Setting CharsetSetting();
Geometry GeometryOf(const glancer::SettingValues& values);
Charset CharsetOf(const glancer::SettingValues& values);

// The pixels and cells a panel of this geometry reports to the program.
DisplayInfo InfoFor(Geometry geometry);

class CharPanel {
public:
    CharPanel(Geometry geometry, Device& device);

    Geometry Size() const { return geometry_; }
    DisplayInfo Info() const;

    // Initialises the device and sends the whole picture again, as after the
    // panel was replugged. The content is kept.
    void Redraw();
    // Forgets what the device shows (bytes may have been lost); the next
    // Redraw or change sends everything.
    void Invalidate();

    void Clear();
    // Latin-1 text from the cell (column, row) on; clipped at the row's end.
    // False when some of it did not fit (the caller may log).
    bool WriteText(const char* text, std::uint32_t column, std::uint32_t row);
    // Takes the rectangle's pixels from the frame; the rest of the cells it
    // touches keep theirs.
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height);

    // Sends the device what differs from what it shows.
    void Sync();

    // The character code a cell should show (for tests and tools).
    std::uint8_t Wanted(std::uint32_t column, std::uint32_t row) const;

private:
    enum class Owner : std::uint8_t { None, Text, Pixels };
    static constexpr std::uint16_t kUnknown = 0x100; // not a character code

    std::size_t Index(std::uint32_t column, std::uint32_t row) const { return row * geometry_.columns + column; }
    struct Rectangle {
        std::uint64_t x, y, right, bottom; // right and bottom exclusive
    };
    Pattern ReadCell(const FrameBufferHeader& frame, std::uint32_t column, std::uint32_t row,
                     const Rectangle& region) const;
    void ChooseGlyphs();
    void SendRow(std::uint32_t row);

    Geometry geometry_;
    Device& device_;
    std::vector<Owner> owner_;
    std::vector<std::uint8_t> text_;   // ROM codes written as text
    std::vector<Pattern> pixels_;      // each cell's pattern; 0 unless pixels own it
    std::vector<std::uint8_t> wanted_; // what each cell should show
    std::vector<std::uint16_t> shown_; // what the device shows, or kUnknown
    std::vector<std::uint8_t> run_;    // one row's run being sent
    GlyphPalette palette_;
    std::array<GlyphPalette::Slot, kGlyphSlots> loaded_{}; // what the device holds
    bool glyphsDirty_ = true;                              // pixels or loaded glyphs changed since the last choice
    bool clearPending_ = false;                            // a Clear the device has not been sent
    bool cursorKnown_ = false;
    std::uint32_t cursorColumn_ = 0;
    std::uint32_t cursorRow_ = 0;
};

} // namespace charpanel
