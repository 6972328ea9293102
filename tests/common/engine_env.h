#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tests/common/test_env.h"

namespace testenv {

// A work directory whose settings file lives inside it (GLANCER_REGISTRY),
// so tests never touch the user's settings or each other's.
class EngineDir : public WorkDir {
public:
    EngineDir();
    ~EngineDir();

    // Stores "DRIVER" the way the driver dialog does.
    void SelectDriver(const std::string& name);
    // The lines of a text file in the directory; empty when it is missing.
    std::vector<std::string> Lines(const std::string& relative) const;
    // Writes "screens\screens.xml" listing `files` in order.
    void WriteIndex(const std::vector<std::string>& files);
    // Writes "screens\<file>": a screen named `name` with one text item
    // showing `name` at 0,0 (refresh 50), the given required flags and
    // actions (id, parameter, delay).
    struct ActionSpec {
        std::string id;
        std::string parameter;
        unsigned delay = 0;
    };
    void WriteTextScreen(const std::string& file, const std::string& name, const std::vector<std::string>& flags,
                         const std::vector<ActionSpec>& actions);
    // Writes the index and one such screen per entry, in order, as "<name>.xml".
    struct ScreenSpec {
        std::string name;
        std::vector<std::string> flags;
        std::vector<ActionSpec> actions;
    };
    void WriteScreens(const std::vector<ScreenSpec>& screens);
};

// Position of the first line equal to `text` at or after `from`; npos when none.
std::size_t FindLine(const std::vector<std::string>& lines, const std::string& text, std::size_t from = 0);
// Up to `count` lines from the first one equal to `first` on; empty when none is.
std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first,
                                   std::size_t count = std::string::npos);
// Lines that start with `prefix`, in order.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix);
// A 1-bit bitmap file of the given rows ('1' lit), as the image items read it.
std::vector<unsigned char> MonoBitmap(const std::vector<std::string>& rows);

} // namespace testenv
