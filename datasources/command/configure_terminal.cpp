// `glancer configure-source Commands`: the list of commands on the terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "datasources/command/command_list.h"
#include "datasources/command/configure.h"
#include "plugin/api/glancer_plugin.hpp"

namespace commands {
namespace {

void Show(const std::vector<CommandSpec>& entries)
{
    std::printf("Commands (changes take effect when Glancer next starts):\n");
    if (entries.empty())
        std::printf("  (none)\n");
    for (std::size_t i = 0; i < entries.size(); ++i)
        std::printf("  %zu. Command.%s: %s (every %lld ms, timeout %lld ms, %s)\n", i + 1, entries[i].id.c_str(),
                    entries[i].command.c_str(), static_cast<long long>(entries[i].intervalMs),
                    static_cast<long long>(entries[i].timeoutMs), entries[i].type.c_str());
}

// Asks for every field of `spec` until it is usable; false at the end of input.
bool Edit(CommandSpec& spec, const std::vector<std::string>& others)
{
    for (;;) {
        std::string answer;
        std::string interval = std::to_string(spec.intervalMs);
        std::string timeout = std::to_string(spec.timeoutMs);
        if (!glancer::Ask("Id (the variable is Command.<Id>)", spec.id, answer))
            return false;
        spec.id = answer.empty() ? spec.id : answer;
        if (!glancer::Ask("Command", spec.command, answer))
            return false;
        spec.command = answer.empty() ? spec.command : answer;
        if (!glancer::Ask("Interval (ms)", interval, answer))
            return false;
        spec.intervalMs = answer.empty() ? spec.intervalMs : std::atoll(answer.c_str());
        if (!glancer::Ask("Timeout (ms)", timeout, answer))
            return false;
        spec.timeoutMs = answer.empty() ? spec.timeoutMs : std::atoll(answer.c_str());
        if (!glancer::Ask("Type (text, integer or double)", spec.type, answer))
            return false;
        spec.type = answer.empty() ? spec.type : answer;
        const std::string problem = Problem(spec, others);
        if (problem.empty())
            return true;
        std::printf("  This command %s; please try again.\n", problem.c_str());
    }
}

} // namespace

bool ConfigureCommands()
{
    std::vector<CommandSpec> entries = Entries();
    for (;;) {
        Show(entries);
        std::string answer;
        if (!glancer::Ask("a to add, a number to change, -number to remove, Enter to finish", "", answer) ||
            answer.empty())
            break;
        const long number = std::atol(answer.c_str());
        const std::size_t index = static_cast<std::size_t>(number < 0 ? -number : number) - 1;
        if (answer == "a") {
            CommandSpec spec;
            if (Edit(spec, IdsExcept(entries, entries.size())))
                entries.push_back(spec);
        } else if (number < 0 && index < entries.size()) {
            entries.erase(entries.begin() + static_cast<long>(index));
        } else if (number > 0 && index < entries.size()) {
            CommandSpec spec = entries[index];
            if (Edit(spec, IdsExcept(entries, index)))
                entries[index] = spec;
        } else {
            std::printf("  Not an entry: %s\n", answer.c_str());
        }
    }
    WriteStored(entries);
    return true;
}

} // namespace commands
