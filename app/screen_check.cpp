#include "app/screen_check.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "core/core.h"
#include "items/item_factory.h"
#include "items/screen_item.h"
#include "items/text_items.h"
#include "platform/platform.h"
#include "screendef/screen_file_handler.h"
#include "screendef/screen_index.h"
#include "screendef/xml_reader.h"
#include "support/log_stream.h"

namespace {

constexpr std::uint32_t kTickMs = 50;
const char kIndexFile[] = "screens/screens.xml";

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool FileExists(const std::string& path)
{
    std::string ignored;
    return platform::ReadRegularFile(platform::NativePath(path), 0, ignored) != platform::FileRead::CannotOpen;
}

} // namespace

struct ScreenCheck::Entry {
    std::string fileName; // as written in the index
    std::int32_t line = 0;
};

struct ScreenCheck::ScreenFacts {
    struct Link {
        std::string id;
        std::string parameter;
        std::int32_t line = 0;
    };
    bool read = false;
    std::string name;
    bool requiresFlags = false;
    std::vector<Link> links;
};

// Follows a screen file's elements the way the run's handler does, noting
// every line and everything the run would ignore.
class ScreenCheck::FileHandler : public XmlHandler {
public:
    FileHandler(ScreenCheck& check, const XmlReader& reader, std::string file, ScreenFacts& facts)
        : check(check), reader(reader), file(std::move(file)), facts(facts)
    {
    }

    void StartElement(const std::string& name, const std::string& attributes) override
    {
        const std::int32_t line = Line();
        const std::size_t depth = open.size();
        open.push_back(name);
        if (depth == 0 && name == "screen" && !seenScreen) {
            seenScreen = true;
            NoAttributes(name, attributes, line);
            return;
        }
        if (depth == 1 && open[0] == "screen" && name == "item") {
            OpenItem(attributes, line);
            return;
        }
        if (depth == 1 && open[0] == "screen" && name == "action") {
            NoAttributes(name, attributes, line);
            action = ScreenFacts::Link{};
            action.line = line;
            actionDelay.clear();
            return;
        }
        Unknown(name, line);
    }

    void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) override
    {
        const std::int32_t line = Line();
        const std::size_t depth = open.size();
        const bool inScreen = depth >= 1 && open[0] == "screen";
        if (depth == 2 && inScreen && open[1] == "item") {
            parameters.push_back({name, text, line});
            parameters.push_back({"", attributes, line}); // a child's attributes are parameters too
            return;
        }
        if (depth == 2 && inScreen && open[1] == "action") {
            NoAttributes(name, attributes, line);
            if (name == "id")
                action.id = text;
            else if (name == "parameter")
                action.parameter = text;
            else if (name == "delay")
                actionDelay = text;
            else
                Unknown(name, line);
            return;
        }
        if (depth == 1 && inScreen && (name == "name" || name == "requireflag")) {
            NoAttributes(name, attributes, line);
            if (name == "name")
                facts.name = text;
            else
                facts.requiresFlags = true;
            return;
        }
        if (depth == 1 && inScreen && name == "item") {
            check.Report(file, line, false,
                         "<item> without child elements is ignored; give its parameters as elements");
            return;
        }
        if (depth == 0 && name == "screen" && !seenScreen) {
            seenScreen = true;
            return;
        }
        Unknown(name, line);
    }

    void EndElement(const std::string& name, const std::string&) override
    {
        if (open.size() == 2 && open[0] == "screen" && name == "item" && itemOpen)
            CloseItem();
        else if (open.size() == 2 && open[0] == "screen" && name == "action")
            CloseAction();
        if (!open.empty())
            open.pop_back();
    }

    bool SawScreen() const { return seenScreen; }

private:
    struct Parameter {
        std::string name; // empty: attribute text to split
        std::string value;
        std::int32_t line = 0;
    };

    std::int32_t Line() const { return reader.LineAt(reader.ElementOffset()); }

    void Unknown(const std::string& name, std::int32_t line)
    {
        check.Report(file, line, false, "unknown element <" + name + ">" + (open.size() > 1 ? " here" : ""));
    }

    void NoAttributes(const std::string& name, const std::string& attributes, std::int32_t line)
    {
        if (attributes.find_first_not_of(' ') != std::string::npos)
            check.Report(file, line, false, "unknown attribute " + attributes + " on <" + name + ">");
    }

    void OpenItem(const std::string& attributes, std::int32_t line)
    {
        itemOpen = true;
        itemLine = line;
        itemAttributes = attributes;
        parameters.clear();
    }

    // Makes the item as the run would, reporting what the item logs while
    // it is given its parameters, then checks what the run does not.
    void CloseItem()
    {
        itemOpen = false;
        ++check.itemCount;
        ScreenFileHandler splitter;
        splitter.ParseAttributes(itemAttributes);
        const std::map<std::string, std::string> attributes = splitter.Attributes();
        const auto type = attributes.find("type");
        const std::string typeName = type == attributes.end() ? std::string() : type->second;
        ItemFactory* factory = check.core.FindFactory(typeName);
        if (factory == nullptr) {
            check.Report(file, itemLine, false,
                         typeName.empty() ? std::string("item without a type")
                                          : "unknown item type " + Quoted(typeName));
            return;
        }
        ScreenItem* item = factory->Create();
        if (item == nullptr)
            return;
        item->core = &check.core;
        for (const auto& [key, value] : attributes)
            if (key != "type")
                Apply(*item, typeName, key, value, itemLine);
        for (const Parameter& parameter : parameters) {
            if (!parameter.name.empty()) {
                Apply(*item, typeName, parameter.name, parameter.value, parameter.line);
                continue;
            }
            splitter.ParseAttributes(parameter.value);
            for (const auto& [key, value] : splitter.Attributes())
                Apply(*item, typeName, key, value, parameter.line);
        }
        {
            const LogCapture capture;
            item->Prepare();
            for (const std::string& line : capture.lines)
                check.Report(file, itemLine, false, line);
        }
        if (item->refresh <= 0 || item->refresh % static_cast<std::int32_t>(kTickMs) != 0)
            check.Report(file, itemLine, false,
                         "refresh " + std::to_string(item->refresh) + " is not a positive multiple of 50");
        CheckPlace(*item);
        factory->Destroy(item);
    }

    void Apply(ScreenItem& item, const std::string& typeName, const std::string& key, const std::string& value,
               std::int32_t line)
    {
        const LogCapture capture;
        item.SetParameter(key, value);
        for (const std::string& logged : capture.lines) {
            if (logged.starts_with("Unknown parameter:"))
                check.Report(file, line, false, "unknown parameter " + Quoted(key) + " for a " + typeName + " item");
            else
                check.Report(file, line, false, logged);
        }
    }

    void CheckPlace(const ScreenItem& item)
    {
        const CheckPanel& panel = check.panel;
        if (const auto* text = dynamic_cast<const TextItemBase*>(&item)) {
            const std::int64_t left = item.x;
            const std::int64_t right = left + text->field.fieldSize;
            if (panel.xChars > 0 && panel.yChars > 0 &&
                (left < 0 || item.y < 0 || right > panel.xChars || item.y >= static_cast<std::int64_t>(panel.yChars)))
                check.Report(file, itemLine, false,
                             "text at column " + std::to_string(item.x) + ", row " + std::to_string(item.y) + ", " +
                                 std::to_string(text->field.fieldSize) + " wide, is off the panel's " +
                                 std::to_string(panel.xChars) + " x " + std::to_string(panel.yChars) + " characters");
            for (const TextSpan& other : texts)
                if (other.row == item.y && left < other.right && other.left < right) {
                    check.Report(file, itemLine, false,
                                 "text overlaps the text item at line " + std::to_string(other.line));
                    break;
                }
            texts.push_back({item.y, left, right, itemLine});
            return;
        }
        if (!item.graphic || panel.xPixels == 0 || panel.yPixels == 0)
            return;
        const Rect& r = item.bounds;
        if (item.x < 0 || item.y < 0 || r.x2 > panel.xPixels || r.y2 > panel.yPixels)
            check.Report(file, itemLine, false,
                         "picture at " + std::to_string(item.x) + ", " + std::to_string(item.y) + ", " +
                             std::to_string(r.x2 - r.x1) + " x " + std::to_string(r.y2 - r.y1) +
                             " pixels, is off the panel's " + std::to_string(panel.xPixels) + " x " +
                             std::to_string(panel.yPixels) + " pixels");
    }

    void CloseAction()
    {
        if (!actionDelay.empty()) {
            std::uint32_t delay = 0;
            if (!ReadUnsigned(actionDelay, delay) || delay % kTickMs != 0)
                check.Report(file, action.line, false, "delay " + actionDelay + " is not a multiple of 50");
        }
        if (action.id != "Core.NextScreen" && action.id != "Core.ChangeScreen")
            check.Report(file, action.line, false, "unknown action id " + Quoted(action.id));
        facts.links.push_back(action);
    }

    struct TextSpan {
        std::int64_t row;
        std::int64_t left;
        std::int64_t right;
        std::int32_t line;
    };

    ScreenCheck& check;
    const XmlReader& reader;
    std::string file;
    ScreenFacts& facts;
    std::vector<std::string> open;
    bool seenScreen = false;
    bool itemOpen = false;
    std::int32_t itemLine = 0;
    std::string itemAttributes;
    std::vector<Parameter> parameters;
    std::vector<TextSpan> texts;
    ScreenFacts::Link action;
    std::string actionDelay;
};

namespace {

// The index's elements: "screens" holding "screenfile" leaves.
class IndexHandler : public XmlHandler {
public:
    using Report = std::function<void(std::int32_t line, const std::string& text)>;
    IndexHandler(const XmlReader& reader, Report report) : reader(reader), report(std::move(report)) {}

    void StartElement(const std::string& name, const std::string& attributes) override
    {
        ++depth;
        if (depth == 1 && name == "screens" && !seenScreens) {
            seenScreens = true;
            NoAttributes(name, attributes);
        } else {
            report(Line(), "unknown element <" + name + ">");
        }
    }
    void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) override
    {
        if (depth == 1 && name == "screenfile") {
            NoAttributes(name, attributes);
            lines.emplace_back(text, Line());
        } else if (!(depth == 0 && name == "screens")) {
            report(Line(), "unknown element <" + name + ">");
        }
    }
    void EndElement(const std::string&, const std::string&) override { --depth; }

    std::vector<std::pair<std::string, std::int32_t>> lines;

private:
    std::int32_t Line() const { return reader.LineAt(reader.ElementOffset()); }
    void NoAttributes(const std::string& name, const std::string& attributes)
    {
        if (attributes.find_first_not_of(' ') != std::string::npos)
            report(Line(), "unknown attribute " + attributes + " on <" + name + ">");
    }

    const XmlReader& reader;
    Report report;
    int depth = 0;
    bool seenScreens = false;
};

} // namespace

ScreenCheck::ScreenCheck(Core& core, CheckPanel panel) : core(core), panel(panel)
{
}

void ScreenCheck::Report(const std::string& file, std::int32_t line, bool warning, std::string text)
{
    ++(warning ? warnings : errors);
    messages.push_back(CheckMessage{file, line, warning, std::move(text)});
}

void ScreenCheck::Run()
{
    std::vector<Entry> entries;
    CheckIndex(entries);
    std::vector<ScreenFacts> screens(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        CheckScreenFile(entries[i], screens[i]);
    CheckLinks(entries, screens);
}

void ScreenCheck::CheckIndex(std::vector<Entry>& entries)
{
    std::string text;
    {
        const LogCapture capture; // "not a regular file" and the like
        text = ReadTextFile("screens\\screens.xml");
        for (const std::string& line : capture.lines)
            Report(kIndexFile, 1, false, line);
    }
    if (text.empty()) {
        Report(kIndexFile, 1, false,
               FileExists("screens/screens.xml") ? "the screen index is empty" : "the screen index cannot be read");
        return;
    }
    XmlReader reader;
    IndexHandler handler(
        reader, [&](std::int32_t line, const std::string& message) { Report(kIndexFile, line, false, message); });
    reader.SetHandler(&handler);
    reader.Parse(text);
    if (reader.FaultOffset() >= 0)
        Report(kIndexFile, reader.LineAt(reader.FaultOffset()), false, reader.FaultText());
    for (auto& [fileName, line] : handler.lines)
        entries.push_back(Entry{fileName, line});
    if (entries.empty())
        Report(kIndexFile, 1, false, "the screen index lists no <screenfile>");
}

void ScreenCheck::CheckScreenFile(const Entry& entry, ScreenFacts& facts)
{
    const std::string file = "screens/" + entry.fileName;
    std::string text;
    {
        const LogCapture capture;
        text = ReadTextFile("screens\\" + entry.fileName);
        for (const std::string& line : capture.lines)
            Report(kIndexFile, entry.line, false, line);
    }
    if (text.empty()) {
        Report(kIndexFile, entry.line, false,
               FileExists(file) ? "screen file " + Quoted(entry.fileName) + " is empty"
                                : "screen file " + Quoted(entry.fileName) + " cannot be read");
        return;
    }
    ++screenCount;
    facts.read = true;
    XmlReader reader;
    FileHandler handler(*this, reader, file, facts);
    reader.SetHandler(&handler);
    reader.Parse(text);
    if (reader.FaultOffset() >= 0)
        Report(file, reader.LineAt(reader.FaultOffset()), false, reader.FaultText());
    if (!handler.SawScreen())
        Report(file, 1, false, "no <screen> element");
}

void ScreenCheck::CheckLinks(const std::vector<Entry>& entries, const std::vector<ScreenFacts>& screens)
{
    const std::size_t count = screens.size();
    if (count == 0)
        return;
    // The run's Core.ChangeScreen picks the last screen of a name.
    std::map<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < count; ++i)
        if (screens[i].read)
            byName[screens[i].name] = i;

    std::vector<bool> reached(count, false);
    std::vector<std::size_t> work{0};
    reached[0] = true;
    const auto reach = [&](std::size_t i) {
        if (!reached[i]) {
            reached[i] = true;
            work.push_back(i);
        }
    };
    while (!work.empty()) {
        const std::size_t from = work.back();
        work.pop_back();
        for (const ScreenFacts::Link& link : screens[from].links) {
            if (link.id == "Core.NextScreen") {
                // Screens that need flags may be skipped, which reaches the ones after them.
                for (std::size_t step = 1; step < count; ++step) {
                    const std::size_t next = (from + step) % count;
                    reach(next);
                    if (!screens[next].requiresFlags)
                        break;
                }
            } else if (link.id == "Core.ChangeScreen") {
                const auto target = byName.find(link.parameter);
                if (target != byName.end())
                    reach(target->second);
            }
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        for (const ScreenFacts::Link& link : screens[i].links)
            if (link.id == "Core.ChangeScreen" && byName.find(link.parameter) == byName.end())
                Report("screens/" + entries[i].fileName, link.line, false,
                       "Core.ChangeScreen names no screen: " + Quoted(link.parameter));
        if (!reached[i] && screens[i].read)
            Report(kIndexFile, entries[i].line, true,
                   "screen " + Quoted(screens[i].name) + " (" + entries[i].fileName + ") is not reached by any action");
    }
}
