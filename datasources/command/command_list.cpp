#include "datasources/command/command_list.h"

#include <algorithm>

#include "datasources/common/latest_values.h"
#include "plugin/api/glancer_plugin.hpp"

namespace commands {
namespace {

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

std::vector<CommandSpec> ReadStored()
{
    std::vector<CommandSpec> entries;
    for (const glancer::Settings& section : glancer::NumberedSections(kSection, kLogPrefix)) {
        CommandSpec spec;
        spec.id = section.Text("Id", "");
        spec.command = section.Text("Command", "");
        spec.intervalMs = RawNumber(section, "Interval", kDefaultInterval);
        spec.timeoutMs = RawNumber(section, "Timeout", kDefaultTimeout);
        spec.type = section.Text("Type", "text");
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
        const glancer::Settings section(std::string(kSection) + "\\" + std::to_string(i + 1));
        const CommandSpec spec = i < entries.size() ? entries[i] : CommandSpec{"", "", 0, 0, ""};
        section.WriteText("Id", spec.id);
        section.WriteText("Command", spec.command);
        section.WriteNumber("Interval", static_cast<std::uint32_t>(std::max<std::int64_t>(spec.intervalMs, 0)));
        section.WriteNumber("Timeout", static_cast<std::uint32_t>(std::max<std::int64_t>(spec.timeoutMs, 0)));
        section.WriteText("Type", spec.type);
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
    if (std::string problem = datavalues::IdAndTypeProblem(spec.id, spec.type, others); !problem.empty())
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
