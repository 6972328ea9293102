#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "screendef/xml_reader.h"

class Screen;
class ScreenItem;

// Turns the reader's events into the contents of one Screen.
class ScreenFileHandler : public XmlHandler {
public:
    ~ScreenFileHandler() override;

    void SetScreen(Screen* screen);
    // Tokens at runs of spaces; name=value; surrounding double quotes
    // stripped; the first value of a name wins.
    void ParseAttributes(const std::string& text);

    void StartElement(const std::string& name, const std::string& attributes) override;
    void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) override;
    void EndElement(const std::string& name, const std::string& attributes) override;

    const std::map<std::string, std::string>& Attributes() const { return attributes; }

private:
    bool inScreen = false;
    bool inItem = false;
    bool inAction = false;
    std::map<std::string, std::string> attributes;
    ScreenItem* currentItem = nullptr; // owned until handed to the screen
    std::vector<std::pair<std::string, std::string>> actionParameters;
    Screen* screen = nullptr;
};
