#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "screendef/xml_reader.h"

// Collects the text of every "screenfile" leaf while a "screens" element is
// open. Any end tag closes "screens", so a container inside it ends the list.
class ScreenIndexHandler : public XmlHandler {
public:
    // The list LeafElement appends to (not owned); null collects nothing.
    void SetList(std::vector<std::string>* list);
    void StartElement(const std::string& name, const std::string& attributes) override;
    void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) override;
    void EndElement(const std::string& name, const std::string& attributes) override;

private:
    bool inScreens = false;
    std::vector<std::string>* list = nullptr;
};

// Reads the screen index: the screen file names in display order, each taken
// exactly as written (relative to the screens folder).
class ScreenIndexReader {
public:
    // The handler fills this reader's own `fileNames`.
    ScreenIndexReader();
    ScreenIndexReader(const ScreenIndexReader&) = delete;
    ScreenIndexReader& operator=(const ScreenIndexReader&) = delete;

    // Appends the names listed in the file at `path` ("\"-separated). A
    // missing or malformed file adds nothing, or the names read before the
    // reader stopped.
    void Load(const std::string& path);

    std::vector<std::string> fileNames;
    XmlReader reader;
    ScreenIndexHandler handler;
};

// Screen and index files larger than this are not read (with a log line).
inline constexpr std::size_t kMaxScreenFileBytes = 8 * 1024 * 1024;

// Reads a whole file in text mode, the same on every platform: each CR LF
// pair becomes LF, a lone CR stays. Empty when the file cannot be opened;
// also, with a log line, when it is not a regular file (a device such as
// /dev/zero would never end) or is larger than kMaxScreenFileBytes.
// `path` uses "\" as separator and is mapped to the platform's.
std::string ReadTextFile(const std::string& path);
