#pragma once

#include <filesystem>
#include <string>
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
    // The log's lines with their time stamps removed.
    std::vector<std::string> LogLines() const;

private:
    std::filesystem::path path;
    std::filesystem::path previous;
};

// Strips a leading "h:m:s:ms  " stamp; gives the line unchanged when it has none.
std::string StripStamp(const std::string& line);

} // namespace testenv
