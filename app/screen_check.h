#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Core;

// One finding of ScreenCheck, at the line of the element it is about.
struct CheckMessage {
    std::string file; // "screens/x.xml", relative to the working directory
    std::int32_t line = 0;
    bool warning = false;
    std::string text;
};

// The panel the screens are checked against; zeros leave positions unchecked.
struct CheckPanel {
    std::uint32_t xPixels = 0;
    std::uint32_t yPixels = 0;
    std::uint32_t xChars = 0;
    std::uint32_t yChars = 0;
};

// Reads the working directory's screen index and screen files the way a run
// would, without a display, and reports what a run would silently drop or
// get wrong: XML errors, unknown elements, attributes, parameters, item
// types, variable and picture ids (against the catalogue of `core`, whose
// data sources must be filled and whose factories registered), items off
// the panel, overlapping text fields, unreadable bitmaps, refresh periods
// and delays off the 50 ms grid, unknown actions and screen names, and, as
// warnings, screens no action leads to. Items are made, checked and
// destroyed; the Core's own screens are not touched.
class ScreenCheck {
public:
    ScreenCheck(Core& core, CheckPanel panel);

    void Run();

    std::vector<CheckMessage> messages; // in file order
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t screenCount = 0;
    std::size_t itemCount = 0;

private:
    struct Entry;
    struct ScreenFacts;
    class FileHandler;

    void Report(const std::string& file, std::int32_t line, bool warning, std::string text);
    void CheckIndex(std::vector<Entry>& entries);
    void CheckScreenFile(const Entry& entry, ScreenFacts& facts);
    void CheckLinks(const std::vector<Entry>& entries, const std::vector<ScreenFacts>& screens);

    Core& core;
    CheckPanel panel;
};
