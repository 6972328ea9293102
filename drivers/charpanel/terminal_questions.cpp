#include "drivers/charpanel/terminal_questions.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "plugin/api/glancer_plugin.hpp"

namespace charpanel {

bool AskText(const glancer::Settings& settings, const char* name, const char* prompt, const char* fallback)
{
    std::string answer;
    if (!glancer::Ask(prompt, settings.Text(name, fallback), answer))
        return false;
    if (!answer.empty())
        settings.WriteText(name, answer);
    return true;
}

bool AskNumber(const glancer::Settings& settings, const char* name, const char* prompt, std::int64_t fallback,
               std::int64_t low, std::int64_t high)
{
    const std::string current = std::to_string(settings.Number(name).value_or(fallback));
    for (;;) {
        std::string answer;
        if (!glancer::Ask(prompt, current, answer))
            return false;
        if (answer.empty())
            return true;
        char* end = nullptr;
        const long long value = std::strtoll(answer.c_str(), &end, 0);
        if (end != answer.c_str() && *end == '\0' && value >= low && value <= high) {
            settings.WriteNumber(name, static_cast<std::uint32_t>(value));
            return true;
        }
        std::printf("Please give a number from %lld to %lld.\n", static_cast<long long>(low),
                    static_cast<long long>(high));
    }
}

} // namespace charpanel
