#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "screendef/xml_reader.h"

class Screen;
class ScreenItem;

// Turns the reader's events into the contents of one Screen: its name,
// required flags, items (made by the Core's factories) and actions. Items and
// actions are built only from their leaf children; whatever else the file
// holds is ignored silently. An item that has no factory or is not valid at
// its end tag is destroyed and logged as "DISCARD ITEM " + attribute text.
class ScreenFileHandler : public XmlHandler {
public:
    ScreenFileHandler() = default;
    // Destroys a half-built item (a file that ended inside an item).
    ~ScreenFileHandler() override;
    ScreenFileHandler(const ScreenFileHandler&) = delete;
    ScreenFileHandler& operator=(const ScreenFileHandler&) = delete;

    // The screen to fill (not owned); must be set before any event arrives.
    void SetScreen(Screen* screen);
    // Replaces the attributes map with the pairs of `text`: tokens at runs of
    // spaces (byte 32); in a token the name is the first run of characters
    // other than "=" and the value the next such run, the rest is ignored; a
    // value of two or more characters wrapped in double quotes loses them; the
    // first value of a name wins. A token without a value is skipped.
    void ParseAttributes(const std::string& text);

    void StartElement(const std::string& name, const std::string& attributes) override;
    void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) override;
    void EndElement(const std::string& name, const std::string& attributes) override;

    const std::map<std::string, std::string>& Attributes() const { return attributes; }

private:
    void OpenItem(const std::string& attributeText);
    void CloseItem(const std::string& attributeText);
    void CloseAction();

    bool inScreen = false;
    bool inItem = false;
    bool inAction = false;
    std::map<std::string, std::string> attributes;
    ScreenItem* currentItem = nullptr; // owned until handed to the screen
    std::vector<std::pair<std::string, std::string>> actionParameters;
    Screen* screen = nullptr;
};

// Reads `text` as an unsigned decimal number the way a delay is written:
// leading white space skipped, an optional "+", then digits up to the first
// non-digit. No digits, or a "-" sign (a negative delay has no meaning),
// leaves `value` unchanged; a number beyond the u32 range gives the largest
// u32. Gives whether `value` was set.
bool ReadUnsigned(const std::string& text, std::uint32_t& value);
