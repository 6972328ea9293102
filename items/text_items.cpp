#include "items/text_items.h"

#include <algorithm>
#include <ostream>

#include "core/core.h"
#include "core/frame_buffer.h"
#include "items/variable_reader.h"
#include "support/log_stream.h"

void TextItemBase::Refresh()
{
    current = field.Format();
    formatted = true;
    if (current != shown) {
        shown = current;
        QueueRedraw();
    }
}

bool TextItemBase::SetFieldParameter(const std::string& name, const std::string& value)
{
    if (name == "fieldsize") {
        if (ReadInt(value, field.fieldSize))
            field.fieldSize = std::max(field.fieldSize, 0);
        if (field.fieldSize > TextField::kMaxFieldSize) {
            LogStream << "Field size " << field.fieldSize << " is too large; " << TextField::kMaxFieldSize << " is used"
                      << std::endl;
            field.fieldSize = TextField::kMaxFieldSize;
        }
    } else if (name == "scrolltype") {
        const std::string word = FirstWord(value);
        if (word == "none")
            field.scrollType = TextField::kNone;
        else if (word == "left")
            field.scrollType = TextField::kScrollLeft;
        else if (word == "right")
            field.scrollType = TextField::kScrollRight;
    } else if (name == "textpos") {
        const std::string word = FirstWord(value);
        if (word == "left")
            field.textPos = TextField::kLeft;
        else if (word == "right")
            field.textPos = TextField::kRight;
        else if (word == "center")
            field.textPos = TextField::kCenter;
    } else {
        return false;
    }
    return true;
}

void TextItemBase::DrawText(FrameBuffer& frame, std::uint32_t send) const
{
    if ((send & 0xFFu) != 0)
        frame.WriteText(current, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
}

void TextItem::Update()
{
    Refresh();
}

bool TextItem::Still() const
{
    const bool marquee = field.scrollType == TextField::kScrollLeft || field.scrollType == TextField::kScrollRight;
    return formatted && (!marquee || field.text.size() <= static_cast<std::size_t>(std::max(field.fieldSize, 0)));
}

void TextItem::Draw(FrameBuffer& frame, Rect, std::uint32_t send, std::uint32_t)
{
    DrawText(frame, send);
}

void TextItem::SetTypeParameter(const std::string& name, const std::string& value)
{
    if (SetFieldParameter(name, value))
        return;
    if (name == "textdata")
        field.text = value;
    else
        LogUnknownParameter(name);
}

void PluginTextItem::Update()
{
    ReadVariableText(variable, field.text);
    Refresh();
}

void PluginTextItem::Draw(FrameBuffer& frame, Rect, std::uint32_t send, std::uint32_t)
{
    DrawText(frame, send);
}

void PluginTextItem::SetTypeParameter(const std::string& name, const std::string& value)
{
    if (SetFieldParameter(name, value))
        return;
    if (name != "varid") {
        LogUnknownParameter(name);
        return;
    }
    variable = core != nullptr ? core->findVariable(value) : VariableInfo{};
    if (!variable.found) {
        LogStream << "Variable ID not found: " << value << std::endl;
        variable = VariableInfo{};
        valid = false;
    }
}
