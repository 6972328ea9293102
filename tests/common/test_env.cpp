#include "tests/common/test_env.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"
#include "support/log_stream.h"
#include "support/settings.h"

namespace fs = std::filesystem;

namespace testenv {

WorkDir::WorkDir() : previous(fs::current_path())
{
    std::string pattern = (fs::temp_directory_path() / "glancer-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
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
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return root / relative;
}

void WorkDir::Write(const std::string& relative, const std::string& content)
{
    WriteBytes(relative, std::vector<unsigned char>(content.begin(), content.end()));
}

void WorkDir::WriteBytes(const std::string& relative, const std::vector<unsigned char>& bytes)
{
    const fs::path file = Native(path, relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string WorkDir::Read(const std::string& relative) const
{
    std::ifstream in(Native(path, relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> WorkDir::Lines(const std::string& relative) const
{
    std::vector<std::string> lines;
    std::istringstream in(Read(relative));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> WorkDir::LogLines() const
{
    static const std::regex stamp(R"(^\d{1,2}:\d{1,2}:\d{1,2}:\d{1,3}  )");
    std::vector<std::string> lines = Lines("log.txt");
    for (std::string& line : lines)
        line = std::regex_replace(line, stamp, "", std::regex_constants::format_first_only);
    return lines;
}

EngineDir::EngineDir()
{
    ::setenv("GLANCER_REGISTRY", (Path() / "registry.reg").c_str(), 1);
}

EngineDir::~EngineDir()
{
    ::unsetenv("GLANCER_REGISTRY");
}

void EngineDir::SelectDriver(const std::string& name)
{
    writeSettingString("DRIVER", name.c_str(), "");
}

void EngineDir::WriteIndex(const std::vector<std::string>& files)
{
    std::string xml = "<screens>\n";
    for (const std::string& file : files)
        xml += "<screenfile>" + file + "</screenfile>\n";
    Write("screens\\screens.xml", xml + "</screens>\n");
}

void EngineDir::WriteScreens(const std::vector<ScreenSpec>& screens)
{
    std::vector<std::string> files;
    for (const ScreenSpec& screen : screens) {
        std::string xml = "<screen>\n<name>" + screen.name + "</name>\n";
        for (const std::string& flag : screen.flags)
            xml += "<requireflag>" + flag + "</requireflag>\n";
        xml += "<item type=\"text\" x=\"0\" y=\"0\"><refresh>50</refresh><textdata>" + screen.name +
               "</textdata></item>\n";
        for (const ActionSpec& action : screen.actions)
            xml += "<action><id>" + action.id + "</id><parameter>" + action.parameter + "</parameter><delay>" +
                   std::to_string(action.delay) + "</delay></action>\n";
        files.push_back(screen.name + ".xml");
        Write("screens\\" + files.back(), xml + "</screen>\n");
    }
    WriteIndex(files);
}

std::size_t FindLine(const std::vector<std::string>& lines, const std::string& text, std::size_t from)
{
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i] == text)
            return i;
    return std::string::npos;
}

std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first, std::size_t count)
{
    const std::size_t start = std::min(FindLine(lines, first), lines.size());
    const std::size_t end = start + std::min(count, lines.size() - start);
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(start),
                                    lines.begin() + static_cast<std::ptrdiff_t>(end));
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line);
    return found;
}

std::vector<unsigned char> BitmapFile(std::int32_t w, std::int32_t h, const std::vector<unsigned char>& data,
                                      std::uint32_t offset)
{
    // Sized once: growing the header by insert makes GCC 12, optimising, see a copy
    // past the old buffer (-Warray-bounds).
    std::vector<unsigned char> b(62 + data.size(), 0);
    std::copy(data.begin(), data.end(), b.begin() + 62);
    const std::uint32_t fields[][2] = {
        {10, offset}, {18, static_cast<std::uint32_t>(w)}, {22, static_cast<std::uint32_t>(h)}};
    for (const auto& [at, v] : fields)
        for (std::uint32_t i = 0; i < 4; ++i)
            b[at + i] = static_cast<unsigned char>(v >> (8 * i));
    return b;
}

} // namespace testenv
