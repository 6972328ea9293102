#include "tests/common/engine_env.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "support/settings.h"

namespace testenv {

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

std::vector<std::string> EngineDir::Lines(const std::string& relative) const
{
    std::vector<std::string> lines;
    std::istringstream in(Read(relative));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void EngineDir::WriteIndex(const std::vector<std::string>& files)
{
    std::string xml = "<screens>\n";
    for (const std::string& file : files)
        xml += "<screenfile>" + file + "</screenfile>\n";
    Write("screens\\screens.xml", xml + "</screens>\n");
}

void EngineDir::WriteTextScreen(const std::string& file, const std::string& name, const std::vector<std::string>& flags,
                                const std::vector<ActionSpec>& actions)
{
    std::string xml = "<screen>\n<name>" + name + "</name>\n";
    for (const std::string& flag : flags)
        xml += "<requireflag>" + flag + "</requireflag>\n";
    xml += "<item type=\"text\" x=\"0\" y=\"0\"><refresh>50</refresh><textdata>" + name + "</textdata></item>\n";
    for (const ActionSpec& action : actions)
        xml += "<action><id>" + action.id + "</id><parameter>" + action.parameter + "</parameter><delay>" +
               std::to_string(action.delay) + "</delay></action>\n";
    Write("screens\\" + file, xml + "</screen>\n");
}

void EngineDir::WriteScreens(const std::vector<ScreenSpec>& screens)
{
    std::vector<std::string> files;
    for (const ScreenSpec& screen : screens) {
        files.push_back(screen.name + ".xml");
        WriteTextScreen(files.back(), screen.name, screen.flags, screen.actions);
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

std::vector<unsigned char> MonoBitmap(const std::vector<std::string>& rows)
{
    const std::uint32_t height = static_cast<std::uint32_t>(rows.size());
    const std::uint32_t width = rows.empty() ? 0 : static_cast<std::uint32_t>(rows[0].size());
    const std::uint32_t stride = ((width + 7) / 8 + 3) / 4 * 4;
    const std::uint32_t offset = 14 + 40 + 8;
    std::vector<unsigned char> file(offset + stride * height, 0);
    auto put32 = [&file](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, offset);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;
    file[28] = 1;
    for (std::uint32_t r = 0; r < height; ++r) {
        unsigned char* row = &file[offset + (height - 1 - r) * stride];
        for (std::uint32_t byte = 0; byte < stride; ++byte)
            row[byte] = 0xFF; // a set bit is an unlit pixel
        for (std::uint32_t c = 0; c < width; ++c)
            if (rows[r][c] == '1')
                row[c / 8] = static_cast<unsigned char>(row[c / 8] & ~(0x80u >> (c % 8)));
    }
    return file;
}

} // namespace testenv
