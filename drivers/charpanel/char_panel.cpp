#include "drivers/charpanel/char_panel.h"

#include <algorithm>

#include "drivers/charpanel/rom_charset.h"
#include "plugin/api/glancer_settings.hpp"

namespace charpanel {

glancer::Setting ColumnsSetting()
{
    return glancer::setting::Number("Columns", "Columns", Geometry{}.columns, 1, kMaxColumns);
}

glancer::Setting RowsSetting()
{
    return glancer::setting::Number("Rows", "Rows", Geometry{}.rows, 1, kMaxRows);
}

glancer::Setting CharsetSetting()
{
    return glancer::setting::Choice("Charset", "Character ROM of the module", "A00", "A00|A02");
}

Geometry GeometryOf(const glancer::SettingValues& values)
{
    return Geometry{static_cast<std::uint32_t>(values.Number("Columns")),
                    static_cast<std::uint32_t>(values.Number("Rows"))};
}

Charset CharsetOf(const glancer::SettingValues& values)
{
    return values.Text("Charset") == "A02" ? Charset::A02 : Charset::A00;
}

CharPanel::CharPanel(Geometry geometry, Device& device)
    : geometry_{std::clamp<std::uint32_t>(geometry.columns, 1, kMaxColumns),
                std::clamp<std::uint32_t>(geometry.rows, 1, kMaxRows)},
      device_(device), palette_(std::size_t{geometry_.columns} * geometry_.rows)
{
    const std::size_t cells = std::size_t{geometry_.columns} * geometry_.rows;
    owner_.assign(cells, Owner::None);
    text_.assign(cells, ' ');
    pixels_.assign(cells, 0);
    wanted_.assign(cells, ' ');
    shown_.assign(cells, kUnknown);
    run_.reserve(geometry_.columns);
}

DisplayInfo InfoFor(Geometry geometry)
{
    return DisplayInfo{geometry.columns * kCellWidth + kExtraColumns, geometry.rows * kCellHeight, geometry.columns,
                       geometry.rows};
}

DisplayInfo CharPanel::Info() const
{
    return InfoFor(geometry_);
}

void CharPanel::Redraw()
{
    device_.Init();
    clearPending_ = false; // Init blanks the panel
    std::fill(shown_.begin(), shown_.end(), std::uint16_t{' '});
    loaded_ = {};
    cursorKnown_ = false;
    glyphsDirty_ = true;
    Sync();
}

void CharPanel::Invalidate()
{
    std::fill(shown_.begin(), shown_.end(), kUnknown);
    loaded_ = {};
    cursorKnown_ = false;
    glyphsDirty_ = true;
}

void CharPanel::Clear()
{
    std::fill(owner_.begin(), owner_.end(), Owner::None);
    std::fill(text_.begin(), text_.end(), std::uint8_t{' '});
    std::fill(pixels_.begin(), pixels_.end(), Pattern{0});
    std::fill(wanted_.begin(), wanted_.end(), std::uint8_t{' '});
    clearPending_ = true;
    glyphsDirty_ = true;
}

bool CharPanel::WriteText(const char* text, std::uint32_t column, std::uint32_t row)
{
    if (text == nullptr)
        return true;
    if (row >= geometry_.rows || column >= geometry_.columns)
        return text[0] == '\0';
    bool freedPixels = false;
    std::uint32_t c = column;
    for (; text[c - column] != '\0' && c < geometry_.columns; ++c) {
        const std::size_t i = Index(c, row);
        freedPixels |= owner_[i] == Owner::Pixels && pixels_[i] != 0;
        owner_[i] = Owner::Text;
        text_[i] = device_.TextCode(static_cast<unsigned char>(text[c - column]));
        pixels_[i] = 0;
    }
    glyphsDirty_ |= freedPixels;
    return text[c - column] == '\0';
}

Pattern CharPanel::ReadCell(const FrameBufferHeader& frame, std::uint32_t column, std::uint32_t row,
                            const Rectangle& region) const
{
    // Pixels outside the rectangle keep what this cell had: the frame may
    // still hold a previous screen's there.
    Pattern pattern = pixels_[Index(column, row)];
    for (std::uint32_t dy = 0; dy < kCellHeight; ++dy) {
        const std::uint64_t py = std::uint64_t{row} * kCellHeight + dy;
        for (std::uint32_t dx = 0; dx < 5; ++dx) {
            const std::uint64_t px = std::uint64_t{column} * kCellWidth + dx;
            if (px < region.x || px >= region.right || py < region.y || py >= region.bottom)
                continue;
            const Pattern bit = Pattern{1} << (5 * dy + 4 - dx);
            const std::uint64_t at = py * frame.xPixels + px;
            if (px < frame.xPixels && py < frame.yPixels && at < frame.bufferSize && frame.pixels[at] != 0)
                pattern |= bit;
            else
                pattern &= ~bit;
        }
    }
    return pattern;
}

void CharPanel::UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                             std::uint32_t height)
{
    if (width == 0 || height == 0 || x / kCellWidth >= geometry_.columns || y / kCellHeight >= geometry_.rows)
        return;
    const std::uint32_t lastColumn = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(geometry_.columns - 1, (std::uint64_t{x} + width - 1) / kCellWidth));
    const std::uint32_t lastRow = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(geometry_.rows - 1, (std::uint64_t{y} + height - 1) / kCellHeight));
    const Rectangle region{x, y, std::uint64_t{x} + width, std::uint64_t{y} + height};
    bool changed = false;
    for (std::uint32_t row = y / kCellHeight; row <= lastRow; ++row)
        for (std::uint32_t column = x / kCellWidth; column <= lastColumn; ++column) {
            const std::size_t i = Index(column, row);
            const Pattern pattern = ReadCell(frame, column, row, region);
            if (pattern == 0 && owner_[i] != Owner::Pixels)
                continue; // blank pixels leave text alone
            changed |= owner_[i] != Owner::Pixels || pixels_[i] != pattern;
            owner_[i] = Owner::Pixels;
            pixels_[i] = pattern;
        }
    if (!changed)
        return;
    glyphsDirty_ = true;
}

std::uint8_t CharPanel::Wanted(std::uint32_t column, std::uint32_t row) const
{
    return column < geometry_.columns && row < geometry_.rows ? wanted_[Index(column, row)] : ' ';
}

void CharPanel::ChooseGlyphs()
{
    const auto& slots = palette_.Choose(pixels_, loaded_);
    for (std::uint32_t i = 0; i < kGlyphSlots; ++i) {
        if (!slots[i].used || (loaded_[i].used && loaded_[i].pattern == slots[i].pattern))
            continue;
        device_.DefineGlyph(i, slots[i].pattern);
        loaded_[i] = slots[i];
        cursorKnown_ = false;
    }
    for (std::size_t i = 0; i < wanted_.size(); ++i)
        if (owner_[i] == Owner::Pixels)
            wanted_[i] = palette_.CodeFor(pixels_[i]);
}

void CharPanel::Sync()
{
    if (clearPending_) {
        // One instruction blanks the panel, cheaper than spaces.
        device_.Clear();
        std::fill(shown_.begin(), shown_.end(), std::uint16_t{' '});
        cursorKnown_ = true;
        cursorColumn_ = 0;
        cursorRow_ = 0;
        clearPending_ = false;
    }
    if (glyphsDirty_) {
        ChooseGlyphs();
        glyphsDirty_ = false;
    }
    for (std::size_t i = 0; i < wanted_.size(); ++i)
        if (owner_[i] == Owner::Text)
            wanted_[i] = text_[i];
        else if (owner_[i] == Owner::None)
            wanted_[i] = ' ';
    for (std::uint32_t row = 0; row < geometry_.rows; ++row)
        SendRow(row);
}

void CharPanel::SendRow(std::uint32_t row)
{
    const std::uint32_t columns = geometry_.columns;
    const auto differs = [&](std::uint32_t column) {
        const std::size_t i = Index(column, row);
        return shown_[i] != wanted_[i];
    };
    const std::uint32_t gap = std::max<std::uint32_t>(device_.MoveCost(), 1);
    std::uint32_t column = 0;
    while (column < columns) {
        if (!differs(column)) {
            ++column;
            continue;
        }
        // The run ends where `gap` unchanged cells in a row follow.
        std::uint32_t end = column + 1;
        for (std::uint32_t next = end; next < columns && next - end < gap; ++next)
            if (differs(next))
                end = next + 1;
        if (!cursorKnown_ || cursorRow_ != row || cursorColumn_ != column)
            device_.MoveTo(column, row);
        run_.clear();
        for (std::uint32_t c = column; c < end; ++c) {
            run_.push_back(wanted_[Index(c, row)]);
            shown_[Index(c, row)] = wanted_[Index(c, row)];
        }
        device_.Write(run_.data(), run_.size());
        // At a row's end the panel's cursor wraps somewhere model-specific.
        cursorKnown_ = end < columns;
        cursorRow_ = row;
        cursorColumn_ = end;
        column = end;
    }
}

} // namespace charpanel
