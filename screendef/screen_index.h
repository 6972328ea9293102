#pragma once

#include <string>
#include <vector>

#include "screendef/xml_reader.h"

// Collects the "screenfile" entries inside "screens".
class ScreenIndexHandler : public XmlHandler {
public:
    void SetList(std::vector<std::string>* list);
    void StartElement(const std::string& name, const std::string& attributes) override;
    void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) override;
    void EndElement(const std::string& name, const std::string& attributes) override;

private:
    bool inScreens = false;
    std::vector<std::string>* list = nullptr;
};

// Reads the screen index: the screen file names in display order.
class ScreenIndexReader {
public:
    ScreenIndexReader();
    void Load(const std::string& path);

    std::vector<std::string> fileNames;
    XmlReader reader;
    ScreenIndexHandler handler;
};

// Reads a whole file in text mode (CR LF read as LF); empty when it cannot
// be opened. `path` uses "\" as separator and is mapped to the platform's.
std::string ReadTextFile(const std::string& path);
