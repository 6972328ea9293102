#pragma once

#include <string>

#include "items/screen_item.h"
#include "items/text_field.h"
#include "plugin/catalogue.h"

// A text item hands its formatted text to the driver; it never touches the frame.
class TextItemBase : public ScreenItem {
public:
    TextField field;
    std::string current; // what Draw writes; empty until the first Update
    std::string shown;   // what was last queued for display
    bool formatted = false;

protected:
    // Formats the field into `current`; queues a redraw when it differs from `shown`.
    void Refresh();
    // Handles "fieldsize" (a negative size counts as 0, one above
    // TextField::kMaxFieldSize as that, with a log line), "scrolltype" and
    // "textpos"; false for other names.
    bool SetFieldParameter(const std::string& name, const std::string& value);
    // Writes `current` at (x, y) when the low byte of `send` is set.
    void DrawText(FrameBuffer& frame, std::uint32_t send) const;
};

// Fixed text from the screen file ("textdata").
class TextItem : public TextItemBase {
public:
    void Update() override;
    void Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode) override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;
    // Once formatted, a text that fits its field (or stands still) formats the same.
    bool Still() const override;
};

// The value of a plugin variable ("varid"), read at every update. Without a
// bound variable it shows the empty text.
class PluginTextItem : public TextItemBase {
public:
    void Update() override;
    void Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode) override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    VariableInfo variable;
};
