#include "drivers/lcdd/lcdd_screen.h"

#include <algorithm>
#include <cstdio>

namespace lcdd {

LcddScreen::LcddScreen(charpanel::ByteSink& out, std::uint32_t columns, std::uint32_t rows, const Greeting& greeting)
    : columns_(columns), rows_(rows), cells_(std::size_t{columns} * rows, ' '), bars_(cells_.size(), 0), spans_(rows),
      out_(out), greeting_(greeting)
{
    for (auto& row : spans_)
        row.reserve(columns);
}

void LcddScreen::Init()
{
    Put("client_set -name Glancer\nscreen_add Glancer\n"
        "screen_set Glancer -name Glancer -priority foreground -heartbeat off\n");
    cellHeight_ = greeting_.cellHeight;
    Forget();
}

void LcddScreen::Forget()
{
    std::fill(cells_.begin(), cells_.end(), std::uint8_t{' '});
    std::fill(bars_.begin(), bars_.end(), std::uint8_t{0});
    for (auto& row : spans_)
        row.clear();
    glyphs_ = {};
    column_ = row_ = 0;
}

void LcddScreen::Clear()
{
    for (std::uint32_t row = 0; row < rows_; ++row) {
        for (const Span& span : spans_[row])
            Command(false, 's', span.id, row);
        for (std::uint32_t column = 0; column < columns_; ++column)
            if (bars_[std::size_t{row} * columns_ + column] != 0)
                Command(false, 'b', column, row);
    }
    Forget();
}

void LcddScreen::MoveTo(std::uint32_t column, std::uint32_t row)
{
    column_ = column;
    row_ = row;
}

void LcddScreen::Write(const std::uint8_t* codes, std::size_t count)
{
    if (row_ >= rows_)
        return;
    const std::uint32_t first = column_;
    const std::uint32_t end = static_cast<std::uint32_t>(std::min<std::size_t>(columns_, column_ + count));
    std::uint8_t* row = cells_.data() + std::size_t{row_} * columns_;
    std::copy(codes, codes + (end > first ? end - first : 0), row + first);
    column_ = end;
    // Bars first: a cell that becomes one leaves the string widget over it.
    std::uint32_t textStart = first;
    for (std::uint32_t column = first; column < end; ++column) {
        if (IsBar(row[column]))
            CutSpanAt(column, row_);
        ShowBar(column, row_);
        if (IsBar(row[column])) {
            if (textStart < column)
                ShowText(row_, textStart, column);
            textStart = column + 1;
        }
    }
    if (textStart < end)
        ShowText(row_, textStart, end);
}

void LcddScreen::DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern)
{
    if (slot >= glyphs_.size())
        return;
    glyphs_[slot] = pattern;
    // On a real panel every cell showing the slot changes with it.
    for (std::uint32_t row = 0; row < rows_; ++row)
        for (std::uint32_t column = 0; column < columns_; ++column)
            if (cells_[std::size_t{row} * columns_ + column] == slot)
                ShowBar(column, row);
}

std::uint8_t LcddScreen::TextCode(unsigned char latin1) const
{
    // LCDd takes Latin-1 and maps it for its panel itself. 0xFF stands for
    // the layer's full block, so 'y' with diaeresis loses its dots.
    if (latin1 == 0xFF)
        return 'y';
    return (latin1 >= 0x20 && latin1 < 0x7F) || latin1 >= 0xA0 ? latin1 : '?';
}

std::uint32_t LcddScreen::BarHeight(std::uint8_t code) const
{
    if (code == charpanel::kFullBlock)
        return 8;
    if (code >= charpanel::kGlyphSlots)
        return 0;
    for (std::uint32_t row = 0; row < 8; ++row)
        if (charpanel::PatternRow(glyphs_[code], row) != 0)
            return 8 - row;
    return 0;
}

void LcddScreen::ShowBar(std::uint32_t column, std::uint32_t row)
{
    const std::size_t at = std::size_t{row} * columns_ + column;
    const std::uint32_t height = BarHeight(cells_[at]);
    if (height == bars_[at])
        return;
    if (height == 0) {
        Command(false, 'b', column, row);
    } else {
        if (bars_[at] == 0)
            Command(true, 'b', column, row);
        char line[80];
        std::snprintf(line, sizeof line, "widget_set %s b%ux%u %u %u %u\n", kScreenId, column, row, column + 1,
                      row + 1, (height * cellHeight_ + 7) / 8);
        Put(line);
    }
    bars_[at] = static_cast<std::uint8_t>(height);
}

void LcddScreen::CutSpanAt(std::uint32_t column, std::uint32_t row)
{
    std::vector<Span>& spans = spans_[row];
    const auto it = std::find_if(spans.begin(), spans.end(),
                                 [&](const Span& span) { return span.start <= column && column < span.end; });
    if (it == spans.end())
        return;
    const Span right{column + 1, it->end, nextId_};
    it->end = column;
    if (it->start == it->end) {
        Command(false, 's', it->id, row);
        spans.erase(it);
    } else {
        SetSpan(row, *it);
    }
    if (right.start < right.end) {
        ++nextId_;
        Command(true, 's', right.id, row);
        spans.insert(std::upper_bound(spans.begin(), spans.end(), right,
                                      [](const Span& a, const Span& b) { return a.start < b.start; }),
                     right);
        SetSpan(row, right);
    }
}

void LcddScreen::ShowText(std::uint32_t row, std::uint32_t start, std::uint32_t end)
{
    std::vector<Span>& spans = spans_[row];
    Span merged{start, end, 0};
    bool reused = false;
    // Spans are in column order and never overlap: those the run touches are consecutive.
    auto first = std::find_if(spans.begin(), spans.end(), [&](const Span& span) { return span.end > start; });
    auto last = first;
    for (; last != spans.end() && last->start < end; ++last) {
        merged.start = std::min(merged.start, last->start);
        merged.end = std::max(merged.end, last->end);
        if (reused)
            Command(false, 's', last->id, row);
        else
            merged.id = last->id;
        reused = true;
    }
    if (!reused) {
        merged.id = nextId_++;
        Command(true, 's', merged.id, row);
    }
    spans.insert(spans.erase(first, last), merged);
    SetSpan(row, merged);
}

void LcddScreen::SetSpan(std::uint32_t row, const Span& span)
{
    char head[64];
    std::snprintf(head, sizeof head, "widget_set %s s%u %u %u \"", kScreenId, span.id, span.start + 1, row + 1);
    std::string line = head;
    const std::uint8_t* cells = cells_.data() + std::size_t{row} * columns_;
    for (std::uint32_t column = span.start; column < span.end; ++column) {
        const char c = static_cast<char>(cells[column]);
        if (c == '"' || c == '\\')
            line.push_back('\\');
        line.push_back(c);
    }
    line.append("\"\n");
    Put(line);
}

void LcddScreen::Command(bool add, char kind, std::uint32_t id, std::uint32_t row)
{
    const char* verb = add ? "widget_add" : "widget_del";
    char line[80];
    if (kind == 'b') // bars are named by their cell
        std::snprintf(line, sizeof line, "%s %s b%ux%u%s\n", verb, kScreenId, id, row, add ? " vbar" : "");
    else
        std::snprintf(line, sizeof line, "%s %s s%u%s\n", verb, kScreenId, id, add ? " string" : "");
    Put(line);
}

} // namespace lcdd
