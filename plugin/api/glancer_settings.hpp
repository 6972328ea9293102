/*
 * glancer_settings.hpp - a plugin's settings, for glancer_plugin.hpp.
 *
 * Settings live in a section of the plugin's own ("Software\Glancer\<section>"
 * on Windows, the settings file elsewhere). A plugin lists them once:
 *
 *     const glancer::DeclaredSettings kSettings("Sensor", "Sensor", {
 *         glancer::setting::Path("Device", "Sensor file", "/sys/class/hwmon/hwmon0/temp1_input"),
 *         glancer::setting::Number("Interval", "Seconds between readings", 5, 1, 3600),
 *         glancer::setting::Choice("Unit", "Unit", "C", "C|F"),
 *     });
 *
 * and from that list kSettings.Read() gives the values, each checked (one
 * log line for a refused value, which then reads as its default), and
 * kSettings.Configure() asks for them: on the terminal on Linux (`glancer
 * configure-driver` and `configure-source` run Configure there), in a
 * dialog built in memory on Windows (no resource script needed).
 *
 * Settings are read through the program's services, so only once
 * getInterface has run (in Init or Configure, not in a static
 * initializer): a read before is a misuse.
 */
#ifndef GLANCER_SETTINGS_HPP
#define GLANCER_SETTINGS_HPP

#include <cctype>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "glancer_plugin.hpp"

namespace glancer {

// One settings section. Numbers are stored as integers (dword); a number
// stored as text is read too, since people edit settings by hand.
class Settings {
public:
    // logPrefix starts the log lines about refused values ("Serial LCD").
    // Without services the program's are used, looked up at each read.
    explicit Settings(std::string section, std::string logPrefix = std::string())
        : section_(std::move(section)), prefix_(std::move(logPrefix)), services_(nullptr), own_(false)
    {
    }
    // Tests hand in services of their own; null means none: every read
    // finds nothing and writes go nowhere.
    Settings(std::string section, std::string logPrefix, CoreServices* services)
        : section_(std::move(section)), prefix_(std::move(logPrefix)), services_(services), own_(true)
    {
    }

    const std::string& Section() const { return section_; }
    const std::string& LogPrefix() const { return prefix_; }

    // The stored text; empty when the value or the section is missing.
    std::optional<std::string> Text(const char* name) const
    {
        Raw raw = Read(name);
        if (!raw.found)
            return std::nullopt;
        return std::string(raw.bytes);
    }

    std::string Text(const char* name, const std::string& fallback) const
    {
        std::optional<std::string> text = Text(name);
        return text ? *text : fallback;
    }

    // A number stored as an integer or as text, decimal or hexadecimal with
    // 0x (bus addresses are written that way); empty when missing or when
    // the text is not a number.
    std::optional<std::int64_t> Number(const char* name) const
    {
        Raw raw = Read(name);
        if (!raw.found)
            return std::nullopt;
        // The services copy a dword's four raw bytes, and texts come with
        // their terminator, so four bytes are an integer unless they are
        // three digits and that terminator.
        const bool threeDigits = raw.length == 4 && raw.bytes[3] == '\0' && IsDigit(raw.bytes[0]) &&
                                 IsDigit(raw.bytes[1]) && IsDigit(raw.bytes[2]);
        if (raw.length == 4 && !threeDigits) {
            CoreServices* services = Use();
            return services->vtbl->ReadInt(services, name, section_.c_str());
        }
        return ParseNumber(raw.bytes, false);
    }

    // A number within [low, high]; a missing one reads as fallback, one out
    // of range or not a number logs a line and reads as fallback too.
    std::int64_t Number(const char* name, std::int64_t fallback, std::int64_t low, std::int64_t high) const
    {
        std::optional<std::string> text = Text(name);
        if (!text)
            return fallback;
        std::optional<std::int64_t> value = Number(name);
        if (value && *value >= low && *value <= high)
            return *value;
        Refused(std::string(name) + " " + (value ? std::to_string(*value) : "\"" + *text + "\"") + " is outside " +
                std::to_string(low) + ".." + std::to_string(high) + ", using " + std::to_string(fallback));
        return fallback;
    }

    // Whether the section exists, whether or not it holds values.
    bool Exists() const { return Read("").section; }

    void WriteText(const char* name, const std::string& text) const
    {
        if (CoreServices* services = Use())
            services->vtbl->WriteString(services, name, text.c_str(), section_.c_str());
    }
    void WriteNumber(const char* name, std::uint32_t value) const
    {
        if (CoreServices* services = Use())
            services->vtbl->WriteInt(services, name, value, section_.c_str());
    }

    // One log line about a refused value, after the log prefix.
    void Refused(const std::string& text) const
    {
        if (CoreServices* services = Use())
            services->vtbl->Log(services, (prefix_ + (prefix_.empty() ? "" : ": ") + text).c_str());
    }

    // "12", " 0x1f " and, with hex, "1f": the number, or empty.
    static std::optional<std::int64_t> ParseNumber(const char* text, bool hex)
    {
        const char* begin = text;
        while (*begin == ' ')
            ++begin;
        if (begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
            hex = true;
            begin += 2;
        }
        if (hex ? !std::isxdigit(static_cast<unsigned char>(*begin))
                : !(IsDigit(*begin) || ((*begin == '-' || *begin == '+') && IsDigit(begin[1]))))
            return std::nullopt;
        char* end = nullptr;
        const long long parsed = std::strtoll(begin, &end, hex ? 16 : 10);
        while (*end == ' ')
            ++end;
        if (*end != '\0')
            return std::nullopt;
        return parsed;
    }

private:
    struct Raw {
        bool section = false;
        bool found = false;
        std::size_t length = 0; // bytes the program copied, before its terminator
        char bytes[GLANCER_TEXT_SIZE];
    };

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    CoreServices* Use() const
    {
        if (own_)
            return services_;
        CoreServices* services = Services();
        if (services == nullptr)
            Misuse("settings \"" + section_ + "\" used before getInterface; use them in Init or Configure");
        return services;
    }

    Raw Read(const char* name) const
    {
        Raw raw;
        CoreServices* services = Use();
        if (services == nullptr)
            return raw;
        // The program copies the stored bytes and a terminator and leaves the
        // rest of the buffer alone, so filler shows what was written: all of
        // it untouched for a missing section, "\n" alone for a missing value.
        std::memset(raw.bytes, 0x7f, sizeof raw.bytes);
        services->vtbl->ReadString(services, name, section_.c_str(), raw.bytes);
        std::size_t last = sizeof raw.bytes - 1;
        while (last > 0 && raw.bytes[last] == '\x7f')
            --last;
        raw.bytes[sizeof raw.bytes - 1] = '\0';
        if (raw.bytes[0] == '\x7f' && last == 0)
            return raw;
        raw.section = true;
        if (last == 1 && raw.bytes[0] == '\n' && raw.bytes[1] == '\0')
            return raw;
        raw.found = true;
        raw.length = last;
        return raw;
    }

    std::string section_;
    std::string prefix_;
    CoreServices* services_;
    bool own_;
};

// The sections "<base>\1", "<base>\2", ... up to the first that does not
// exist (at most `limit`): how a list of entries is kept, one sub-key each.
inline std::vector<Settings> NumberedSections(const std::string& base, const std::string& logPrefix = std::string(),
                                              std::size_t limit = 1000)
{
    std::vector<Settings> sections;
    for (std::size_t number = 1; number <= limit; ++number) {
        Settings section(base + "\\" + std::to_string(number), logPrefix);
        if (!section.Exists())
            break;
        sections.push_back(std::move(section));
    }
    return sections;
}

// Asks one question on `out` and reads the answer from `in`. Shows the
// current value in brackets; false at the end of input; an empty answer
// means "keep".
inline bool AskOn(std::FILE* in, std::FILE* out, const char* prompt, const std::string& current, std::string& answer)
{
    std::fprintf(out, "%s [%s]: ", prompt, current.c_str());
    std::fflush(out);
    char line[GLANCER_TEXT_SIZE];
    if (std::fgets(line, sizeof line, in) == nullptr) {
        std::fprintf(out, "\n");
        return false;
    }
    answer = line;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    return true;
}

// The same on the terminal (Linux `glancer configure-driver` and
// `configure-source` run a plugin's Configure there). Not for Windows,
// where Configure shows a dialog instead.
inline bool Ask(const char* prompt, const std::string& current, std::string& answer)
{
    return AskOn(stdin, stdout, prompt, current, answer);
}

// ---- Settings declared once -------------------------------------------------

enum class SettingKind {
    Number,    // a whole number in [low, high], stored as a dword
    Text,      // any text
    Choice,    // one of the words in `choices`, stored as text
    HexNumber, // a number in [low, high] shown and asked in hexadecimal, stored as a dword
    Path       // a file or folder; empty reads as the default
};

struct Setting {
    const char* name;   // the stored value's name
    const char* prompt; // what people are asked
    SettingKind kind;
    const char* text;    // default of Text, Choice and Path
    std::int64_t number; // default of Number and HexNumber
    std::int64_t low;
    std::int64_t high;
    const char* choices; // Choice: the words, separated by "|"
};

namespace setting {
inline Setting Number(const char* name, const char* prompt, std::int64_t fallback, std::int64_t low, std::int64_t high)
{
    return Setting{name, prompt, SettingKind::Number, "", fallback, low, high, ""};
}
inline Setting HexNumber(const char* name, const char* prompt, std::int64_t fallback, std::int64_t low,
                         std::int64_t high)
{
    return Setting{name, prompt, SettingKind::HexNumber, "", fallback, low, high, ""};
}
inline Setting Text(const char* name, const char* prompt, const char* fallback)
{
    return Setting{name, prompt, SettingKind::Text, fallback, 0, 0, 0, ""};
}
inline Setting Path(const char* name, const char* prompt, const char* fallback)
{
    return Setting{name, prompt, SettingKind::Path, fallback, 0, 0, 0, ""};
}
inline Setting Choice(const char* name, const char* prompt, const char* fallback, const char* choices)
{
    return Setting{name, prompt, SettingKind::Choice, fallback, 0, 0, 0, choices};
}
} // namespace setting

// The values of a declared list, in its order: numbers for Number and
// HexNumber, texts for the rest.
class SettingValues {
public:
    SettingValues() = default;
    explicit SettingValues(const std::vector<Setting>& list) : numbers_(list.size()), texts_(list.size())
    {
        for (const Setting& s : list)
            names_.push_back(s.name);
    }
    std::int64_t Number(const char* name) const
    {
        const std::size_t i = Find(name);
        return i < numbers_.size() ? numbers_[i] : 0;
    }
    const std::string& Text(const char* name) const
    {
        static const std::string kNone;
        const std::size_t i = Find(name);
        return i < texts_.size() ? texts_[i] : kNone;
    }
    void SetNumber(const char* name, std::int64_t value)
    {
        if (const std::size_t i = Find(name); i < numbers_.size())
            numbers_[i] = value;
    }
    void SetText(const char* name, const std::string& value)
    {
        if (const std::size_t i = Find(name); i < texts_.size())
            texts_[i] = value;
    }
    std::int64_t NumberAt(std::size_t i) const { return numbers_[i]; }
    const std::string& TextAt(std::size_t i) const { return texts_[i]; }
    void SetAt(std::size_t i, std::int64_t number, const std::string& text)
    {
        numbers_[i] = number;
        texts_[i] = text;
    }

private:
    std::size_t Find(const char* name) const
    {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (std::strcmp(names_[i], name) == 0)
                return i;
        Misuse(std::string("no setting is declared as \"") + name + "\"");
        return static_cast<std::size_t>(-1);
    }
    std::vector<const char*> names_; // the declared list's own texts
    std::vector<std::int64_t> numbers_;
    std::vector<std::string> texts_;
};

class DeclaredSettings {
public:
    DeclaredSettings(std::string section, std::string logPrefix, std::initializer_list<Setting> list)
        : section_(std::move(section)), prefix_(std::move(logPrefix)), list_(list)
    {
    }

    const std::vector<Setting>& List() const { return list_; }
    const std::string& Section() const { return section_; }

    // Every value, checked: a missing one reads as its default, a refused
    // one logs one line and reads as its default.
    SettingValues Read() const { return ReadFrom(Settings(section_, prefix_)); }
    SettingValues ReadFrom(const Settings& stored) const
    {
        SettingValues values = Defaults();
        for (std::size_t i = 0; i < list_.size(); ++i) {
            const Setting& s = list_[i];
            const std::optional<std::string> text = stored.Text(s.name);
            if (!text)
                continue;
            if (IsNumber(s)) {
                const std::optional<std::int64_t> number = stored.Number(s.name);
                if (number && *number >= s.low && *number <= s.high)
                    values.SetAt(i, *number, "");
                else
                    stored.Refused(std::string(s.name) + " " + (number ? Show(s, *number) : "\"" + *text + "\"") +
                                   " is outside " + Show(s, s.low) + ".." + Show(s, s.high) + ", using " +
                                   Show(s, s.number));
            } else if (s.kind == SettingKind::Choice && !IsChoice(s, *text)) {
                stored.Refused(std::string(s.name) + " \"" + *text + "\" is not one of " + Choices(s) + ", using " +
                               s.text);
            } else if (!(s.kind == SettingKind::Path && text->empty())) {
                values.SetAt(i, 0, *text);
            }
        }
        return values;
    }

    void Write(const SettingValues& values) const { WriteTo(Settings(section_, prefix_), values); }
    void WriteTo(const Settings& stored, const SettingValues& values) const
    {
        for (std::size_t i = 0; i < list_.size(); ++i) {
            if (IsNumber(list_[i]))
                stored.WriteNumber(list_[i].name, static_cast<std::uint32_t>(values.NumberAt(i)));
            else
                stored.WriteText(list_[i].name, values.TextAt(i));
        }
    }

    SettingValues Defaults() const
    {
        SettingValues values(list_);
        for (std::size_t i = 0; i < list_.size(); ++i)
            values.SetAt(i, list_[i].number, IsNumber(list_[i]) ? "" : list_[i].text);
        return values;
    }

    // A value as people see and type it.
    std::string Shown(const SettingValues& values, std::size_t i) const
    {
        return IsNumber(list_[i]) ? Show(list_[i], values.NumberAt(i)) : values.TextAt(i);
    }
    // The prompt with what it takes: "Interval (1..3600)".
    std::string Question(std::size_t i) const
    {
        const Setting& s = list_[i];
        if (IsNumber(s))
            return std::string(s.prompt) + " (" + Show(s, s.low) + ".." + Show(s, s.high) + ")";
        if (s.kind == SettingKind::Choice)
            return std::string(s.prompt) + " (" + Choices(s) + ")";
        return s.prompt;
    }
    // Takes an answer into `values`; empty when it is taken, else why not.
    std::string Take(SettingValues& values, std::size_t i, const std::string& answer) const
    {
        const Setting& s = list_[i];
        if (IsNumber(s)) {
            const std::optional<std::int64_t> number =
                Settings::ParseNumber(answer.c_str(), s.kind == SettingKind::HexNumber);
            if (!number || *number < s.low || *number > s.high)
                return std::string("Answer ") + (s.kind == SettingKind::HexNumber ? "a hexadecimal number in " : "") +
                       Show(s, s.low) + ".." + Show(s, s.high);
            values.SetAt(i, *number, "");
        } else if (s.kind == SettingKind::Choice && !IsChoice(s, answer)) {
            return "Answer " + Choices(s);
        } else if (answer.size() >= GLANCER_TEXT_SIZE) {
            return "Answer at most 255 characters";
        } else {
            values.SetAt(i, 0, answer);
        }
        return {};
    }

    // Asks for every setting, one question each; Enter keeps a value, "-"
    // empties a text, and an answer refused keeps the value too, with a line
    // saying why. What was asked before the end of input is kept.
    SettingValues AskOn(std::FILE* in, std::FILE* out, const SettingValues& current) const
    {
        SettingValues values = current;
        for (std::size_t i = 0; i < list_.size(); ++i) {
            std::string answer;
            if (!::glancer::AskOn(in, out, Question(i).c_str(), Shown(values, i), answer))
                break;
            if (answer.empty())
                continue;
            if (answer == "-" && !IsNumber(list_[i]) && list_[i].kind != SettingKind::Choice)
                answer.clear(); // Enter keeps, so a text is emptied with "-"
            if (const std::string problem = Take(values, i, answer); !problem.empty())
                std::fprintf(out, "  %s; it stays %s.\n", problem.c_str(), Shown(values, i).c_str());
        }
        return values;
    }

    // What Configure of a plugin does with them: questions on the terminal
    // (Linux), a dialog (Windows). Stores the answers; true: they were shown.
    bool Configure(const char* title) const;

    static bool IsNumber(const Setting& s) { return s.kind == SettingKind::Number || s.kind == SettingKind::HexNumber; }
    static std::string Show(const Setting& s, std::int64_t number)
    {
        if (s.kind != SettingKind::HexNumber || number < 0)
            return std::to_string(number);
        char text[24];
        std::snprintf(text, sizeof text, "0x%02" PRIX64, static_cast<std::uint64_t>(number));
        return text;
    }
    static std::vector<std::string> Words(const Setting& s)
    {
        std::vector<std::string> words(1);
        for (const char* c = s.choices; *c != '\0'; ++c) {
            if (*c == '|')
                words.emplace_back();
            else
                words.back() += *c;
        }
        return words;
    }

private:
    static bool IsChoice(const Setting& s, const std::string& text)
    {
        for (const std::string& word : Words(s))
            if (word == text)
                return true;
        return false;
    }
    static std::string Choices(const Setting& s)
    {
        const std::vector<std::string> words = Words(s);
        std::string text;
        for (std::size_t i = 0; i < words.size(); ++i)
            text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
        return text;
    }

    std::string section_;
    std::string prefix_;
    std::vector<Setting> list_;
};

} // namespace glancer

#ifdef _WIN32
#include "glancer_settings_win32.hpp"
#else
inline bool glancer::DeclaredSettings::Configure(const char* title) const
{
    std::printf("%s settings (press Enter to keep a value, - to empty a text).\n", title);
    Write(AskOn(stdin, stdout, Read()));
    return true;
}
#endif

#endif /* GLANCER_SETTINGS_HPP */
