#pragma once

#include <string>

#include "items/screen_item.h"
#include "items/text_field.h"
#include "plugin/catalogue.h"

// A text item hands its formatted text to the driver; it never touches the frame.
class TextItemBase : public ScreenItem {
public:
    TextField field;
    std::string current; // what Draw writes
    std::string shown;   // what was last queued for display

protected:
    // Formats the field; queues a redraw when the text changed.
    void Refresh();
    // Handles "fieldsize", "scrolltype" and "textpos"; false for other names.
    bool SetFieldParameter(const std::string& name, const std::string& value);
    void DrawText(FrameBuffer& frame, std::uint32_t send) const;
};

// Fixed text from the screen file.
class TextItem : public TextItemBase {
public:
    void Update() override;
    void Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode) override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;
};

// The value of a plugin variable, read at every update.
class PluginTextItem : public TextItemBase {
public:
    void Update() override;
    void Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode) override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    VariableInfo variable;
};

// Reads a variable from its component as text (integers and doubles as the
// standard stream formats them). Shared by text and graph items.
std::string ReadVariableText(const VariableInfo& variable);
