#include "datasources/command/command_list.h"

#include <algorithm>

#include "plugin/api/glancer_kit.hpp"
#include "plugin/api/glancer_plugin.hpp"

namespace commands {
namespace {

const glancer::DeclaredSettings kFields(kSection, kLogPrefix, {
    glancer::setting::Text("Id", "Id (the variable is Command.<Id>)", ""),
    glancer::setting::Text("Command", "Command", ""),
    glancer::setting::Number("Interval", "Interval (ms)", kDefaultInterval, 1, kMaxMs),
    glancer::setting::Number("Timeout", "Timeout (ms)", kDefaultTimeout, 1, kMaxMs),
    glancer::setting::Choice("Type", "Type", "text", "text|integer|double"),
});

// Numbers are kept raw here: Problem() tells the user what is wrong.
std::int64_t RawNumber(const glancer::Settings& section, const char* name, std::int64_t fallback)
{
    if (!section.Text(name))
        return fallback;
    return section.Number(name).value_or(-1);
}

bool IsBlank(const CommandSpec& spec)
{
    return spec.id.empty() && spec.command.empty();
}

} // namespace

const glancer::DeclaredSettings& Fields()
{
    return kFields;
}

std::string FieldText(const CommandSpec& spec, std::size_t field)
{
    const std::string* texts[] = {&spec.id, &spec.command, nullptr, nullptr, &spec.type};
    if (field == 2 || field == 3)
        return std::to_string(field == 2 ? spec.intervalMs : spec.timeoutMs);
    return field < 5 ? *texts[field] : std::string();
}

void SetField(CommandSpec& spec, std::size_t field, const std::string& text)
{
    std::string* texts[] = {&spec.id, &spec.command, nullptr, nullptr, &spec.type};
    if (field == 2 || field == 3)
        (field == 2 ? spec.intervalMs : spec.timeoutMs) = glancer::Settings::ParseNumber(text.c_str(), false).value_or(0);
    else if (field < 5)
        *texts[field] = text;
}

std::vector<CommandSpec> ReadStored()
{
    std::vector<CommandSpec> entries;
    const std::vector<glancer::Setting>& fields = kFields.List();
    for (const glancer::Settings& section : glancer::NumberedSections(kSection, kLogPrefix)) {
        CommandSpec spec;
        for (std::size_t i = 0; i < fields.size(); ++i)
            SetField(spec, i,
                     glancer::DeclaredSettings::IsNumber(fields[i])
                         ? std::to_string(RawNumber(section, fields[i].name, fields[i].number))
                         : section.Text(fields[i].name, fields[i].text));
        entries.push_back(spec);
    }
    return entries;
}

void WriteStored(const std::vector<CommandSpec>& entries)
{
    // Sections cannot be deleted through the services: what is past the new
    // end is emptied instead, and reading skips empty entries.
    const std::size_t stored = std::max(entries.size(), ReadStored().size());
    for (std::size_t i = 0; i < stored; ++i) {
        const CommandSpec spec = i < entries.size() ? entries[i] : CommandSpec{"", "", 0, 0, ""};
        glancer::SettingValues values = kFields.Defaults();
        for (std::size_t field = 0; field < kFields.List().size(); ++field) {
            const std::string text = FieldText(spec, field);
            values.SetAt(field, std::max<std::int64_t>(std::atoll(text.c_str()), 0), text);
        }
        kFields.WriteTo(glancer::Settings(std::string(kSection) + "\\" + std::to_string(i + 1)), values);
    }
}

std::vector<CommandSpec> Entries()
{
    std::vector<CommandSpec> entries = ReadStored();
    entries.erase(std::remove_if(entries.begin(), entries.end(), IsBlank), entries.end());
    return entries;
}

std::vector<std::string> IdsExcept(const std::vector<CommandSpec>& entries, std::size_t except)
{
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (i != except)
            ids.push_back(entries[i].id);
    return ids;
}

std::string Problem(const CommandSpec& spec, const std::vector<std::string>& others)
{
    if (std::string problem = glancer::EntryProblem(spec.id, spec.type, others); !problem.empty())
        return problem;
    if (spec.command.empty())
        return "has no Command";
    if (spec.intervalMs < 1 || spec.intervalMs > kMaxMs)
        return "Interval must be 1.." + std::to_string(kMaxMs) + " ms";
    if (spec.timeoutMs < 1 || spec.timeoutMs > kMaxMs)
        return "Timeout must be 1.." + std::to_string(kMaxMs) + " ms";
    return {};
}

std::vector<CommandSpec> ReadCommands()
{
    std::vector<CommandSpec> usable;
    std::vector<std::string> ids;
    const std::vector<CommandSpec> stored = ReadStored();
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (IsBlank(stored[i]))
            continue;
        const std::string problem = Problem(stored[i], ids);
        if (!problem.empty()) {
            glancer::Log(std::string(kLogPrefix) + ": " + kSection + "\\" + std::to_string(i + 1) + " " + problem +
                         "; skipped");
            continue;
        }
        ids.push_back(stored[i].id);
        usable.push_back(stored[i]);
    }
    return usable;
}

} // namespace commands
