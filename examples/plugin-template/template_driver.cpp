// "Template display": a display driver that keeps the panel's text in a
// file, panel.txt in the working directory, so it runs without hardware.
// A real driver sends the same calls to its device instead, and keeps slow
// output off the refresh thread (a thread of its own, as the shipped
// Virtual display does).
#include <cstdio>
#include <string>
#include <vector>

#include <glancer_plugin.hpp>

namespace {

// Settings live in a section of the plugin's own, listed once.
const glancer::DeclaredSettings kSettings("TemplateDisplay", "Template display", {
    glancer::setting::Number("Columns", "Text columns", 20, 1, 80),
    glancer::setting::Number("Rows", "Text rows", 4, 1, 16),
});

class TemplateDisplay : public glancer::DisplayDriver {
public:
    const char* Name() const override { return "Template display"; }

    void Init() override
    {
        const glancer::SettingValues settings = kSettings.Read();
        columns = static_cast<std::uint32_t>(settings.Number("Columns"));
        rows = static_cast<std::uint32_t>(settings.Number("Rows"));
        Clear();
    }

    bool Configure() override { return kSettings.Configure("Template display"); }

    DisplayInfo GetDisplayInfo() override { return DisplayInfo{columns * 6, rows * 8, columns, rows}; }

    void Clear() override
    {
        lines.assign(rows, std::string(columns, ' '));
        Save();
    }

    void WriteText(const char* text, std::uint32_t column, std::uint32_t row) override
    {
        if (row >= lines.size())
            return;
        for (std::uint32_t i = 0; text[i] != '\0' && column + i < columns; ++i)
            lines[row][column + i] = text[i];
        Save();
    }

private:
    void Save() const
    {
        if (std::FILE* file = std::fopen("panel.txt", "w")) {
            for (const std::string& line : lines)
                std::fprintf(file, "%s\n", line.c_str());
            std::fclose(file);
        }
    }

    std::uint32_t columns = 20;
    std::uint32_t rows = 4;
    std::vector<std::string> lines;
};

const glancer::About kAbout{"Template display", {"Display driver: the panel's text in panel.txt", "Version 0.1"}};

} // namespace

GLANCER_PLUGIN(kAbout, TemplateDisplay)
