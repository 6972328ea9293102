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
    const std::vector<glancer::Setting>& fields = Fields().List();
    for (;;) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string answer;
            if (!glancer::Ask(Fields().Question(i).c_str(), FieldText(spec, i), answer))
                return false;
            if (!answer.empty())
                SetField(spec, i, answer);
        }
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
