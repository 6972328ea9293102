#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace testenv {

// A fresh temporary directory that becomes the working directory for the
// life of the object (the program looks everything up relative to it).
// The log is reopened inside it, so each test reads its own "log.txt".
class WorkDir {
public:
    WorkDir();
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::filesystem::path& Path() const { return path; }
    // Copies a plugin built by the tree ("recorddriver" -> recorddriver.so/.dll)
    // into the directory, optionally under another file name stem.
    void AddPlugin(const std::string& name, const std::string& as = "");
    // Writes a file relative to the directory, creating folders; "\" is a separator.
    void Write(const std::string& relative, const std::string& content);
    void WriteBytes(const std::string& relative, const std::vector<unsigned char>& bytes);
    std::string Read(const std::string& relative) const;
    // The lines of a text file in the directory; empty when it is missing.
    std::vector<std::string> Lines(const std::string& relative) const;
    // The log's lines with their time stamps removed.
    std::vector<std::string> LogLines() const;

private:
    std::filesystem::path path;
    std::filesystem::path previous;
};

// ... whose settings file lives inside it (GLANCER_REGISTRY), so tests never
// touch the user's settings or each other's.
class EngineDir : public WorkDir {
public:
    EngineDir();
    ~EngineDir();

    // Stores "DRIVER" the way the driver dialog does.
    void SelectDriver(const std::string& name);
    // Writes "screens\screens.xml" listing `files` in order.
    void WriteIndex(const std::vector<std::string>& files);
    // Writes the index and per entry "screens\<name>.xml": a screen named
    // `name` with one text item showing `name` at 0,0 (refresh 50), the given
    // required flags and actions (id, parameter, delay).
    struct ActionSpec {
        std::string id;
        std::string parameter;
        unsigned delay = 0;
    };
    struct ScreenSpec {
        std::string name;
        std::vector<std::string> flags;
        std::vector<ActionSpec> actions;
    };
    void WriteScreens(const std::vector<ScreenSpec>& screens);
};

// Polls `condition` every millisecond until it holds (true) or `limit` has
// passed (false).
template <class Condition> bool WaitFor(Condition condition, std::chrono::seconds limit = std::chrono::seconds(20))
{
    for (const auto deadline = std::chrono::steady_clock::now() + limit; !condition();
         std::this_thread::sleep_for(std::chrono::milliseconds(1)))
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    return true;
}

// Position of the first line equal to `text` at or after `from`; npos when none.
std::size_t FindLine(const std::vector<std::string>& lines, const std::string& text, std::size_t from = 0);
// Up to `count` lines from the first one equal to `first` on; empty when none is.
std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first,
                                   std::size_t count = std::string::npos);
// Lines that start with `prefix`, in order.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix);

// A 1-bit bitmap file: 62 header bytes (pixel data at `offset`), then `data`
// as stored: rows bottom first, padded to 4 bytes, a 0 bit lit.
std::vector<unsigned char> BitmapFile(std::int32_t w, std::int32_t h, const std::vector<unsigned char>& data,
                                      std::uint32_t offset = 62);

} // namespace testenv
