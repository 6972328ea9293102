#include "tests/common/test_env.h"

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"
#include "support/log_stream.h"

namespace fs = std::filesystem;

namespace testenv {

WorkDir::WorkDir() : previous(fs::current_path())
{
    std::string pattern = (fs::temp_directory_path() / "glancer-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path = buffer.data();
    fs::current_path(path);
    ReopenLog();
}

WorkDir::~WorkDir()
{
    CloseLog();
    std::error_code ec;
    fs::current_path(previous, ec);
    fs::remove_all(path, ec);
}

void WorkDir::AddPlugin(const std::string& name, const std::string& as)
{
    const std::string suffix = std::string(platform::ModulePattern()).substr(1);
    fs::copy_file(fs::path(GLANCER_TEST_PLUGIN_DIR) / (name + suffix), path / ((as.empty() ? name : as) + suffix),
                  fs::copy_options::overwrite_existing);
}

static fs::path Native(const fs::path& root, std::string relative)
{
    for (char& c : relative)
        if (c == '\\')
            c = '/';
    return root / relative;
}

void WorkDir::Write(const std::string& relative, const std::string& content)
{
    const fs::path file = Native(path, relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

void WorkDir::WriteBytes(const std::string& relative, const std::vector<unsigned char>& bytes)
{
    const fs::path file = Native(path, relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::string WorkDir::Read(const std::string& relative) const
{
    std::ifstream in(Native(path, relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> WorkDir::LogLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(Read("log.txt"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(StripStamp(line));
    return lines;
}

std::string StripStamp(const std::string& line)
{
    static const std::regex stamp(R"(^\d{1,2}:\d{1,2}:\d{1,2}:\d{1,3}  )");
    return std::regex_replace(line, stamp, "", std::regex_constants::format_first_only);
}

} // namespace testenv
