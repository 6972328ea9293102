#include "screendef/screen_file_handler.h"

#include <limits>
#include <ostream>

#include "core/core.h"
#include "items/item_factory.h"
#include "items/screen_item.h"
#include "screendef/screen.h"
#include "support/log_stream.h"

namespace {

bool IsStreamSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

bool ReadUnsigned(const std::string& text, std::uint32_t& value)
{
    std::size_t i = 0;
    while (i < text.size() && IsStreamSpace(text[i]))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
        return false;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (number > kMax)
            number = kMax + 1; // saturate; keeps the product far from u64 overflow
    }
    value = static_cast<std::uint32_t>(number > kMax ? kMax : number);
    return true;
}

ScreenFileHandler::~ScreenFileHandler()
{
    delete currentItem;
}

void ScreenFileHandler::SetScreen(Screen* newScreen)
{
    screen = newScreen;
}

void ScreenFileHandler::ParseAttributes(const std::string& text)
{
    attributes.clear();
    const auto runEnd = [&](std::size_t from) {
        while (from < text.size() && text[from] != ' ' && text[from] != '=')
            ++from;
        return from;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        while (i < text.size() && text[i] == '=')
            ++i;
        const std::size_t nameStart = i;
        const std::size_t nameEnd = runEnd(i);
        i = nameEnd;
        while (i < text.size() && text[i] == '=')
            ++i;
        const std::size_t valueStart = i;
        const std::size_t valueEnd = runEnd(i);
        i = valueEnd;
        while (i < text.size() && text[i] != ' ')
            ++i;
        if (nameEnd == nameStart || valueEnd == valueStart)
            continue;

        std::string value = text.substr(valueStart, valueEnd - valueStart);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        attributes.emplace(text.substr(nameStart, nameEnd - nameStart), std::move(value));
    }
}

void ScreenFileHandler::StartElement(const std::string& name, const std::string& attributeText)
{
    if (screen == nullptr)
        return;
    if (!inScreen) {
        if (name == "screen")
            inScreen = true;
        return;
    }
    if (inItem)
        return;
    if (name == "item") {
        OpenItem(attributeText);
    } else if (name == "action") {
        inAction = true;
        actionParameters.clear();
    }
}

void ScreenFileHandler::OpenItem(const std::string& attributeText)
{
    inItem = true;
    delete currentItem;
    currentItem = nullptr;
    ParseAttributes(attributeText);

    const auto type = attributes.find("type");
    ItemFactory* factory = screen->GetCore().FindFactory(type == attributes.end() ? std::string() : type->second);
    if (factory == nullptr)
        return;
    currentItem = factory->Create();
    if (currentItem == nullptr)
        return;
    currentItem->core = &screen->GetCore();
    for (const auto& [key, value] : attributes)
        if (key != "type")
            currentItem->SetParameter(key, value);
}

void ScreenFileHandler::LeafElement(const std::string& name, const std::string& text, const std::string& attributeText)
{
    if (screen == nullptr || !inScreen)
        return;
    if (inItem) {
        if (currentItem == nullptr)
            return;
        currentItem->SetParameter(name, text);
        ParseAttributes(attributeText);
        for (const auto& [key, value] : attributes)
            currentItem->SetParameter(key, value);
    } else if (inAction) {
        actionParameters.emplace_back(name, text);
    } else if (name == "name") {
        screen->name = text;
    } else if (name == "requireflag") {
        screen->requiredFlags.push_back(text);
    }
}

void ScreenFileHandler::EndElement(const std::string&, const std::string& attributeText)
{
    if (screen == nullptr || !inScreen)
        return;
    if (inItem)
        CloseItem(attributeText);
    else if (inAction)
        CloseAction();
    else
        inScreen = false;
}

void ScreenFileHandler::CloseItem(const std::string& attributeText)
{
    inItem = false;
    if (currentItem != nullptr && currentItem->valid) {
        screen->items.push_back(currentItem);
    } else {
        delete currentItem;
        LogStream << "DISCARD ITEM " << attributeText << std::endl;
    }
    currentItem = nullptr;
}

void ScreenFileHandler::CloseAction()
{
    inAction = false;
    Action action;
    for (const auto& [key, value] : actionParameters) {
        if (key == "id")
            action.id = value;
        else if (key == "parameter")
            action.parameter = value;
        else if (key == "delay")
            ReadUnsigned(value, action.delay);
    }
    screen->actions.push_back(std::move(action));
}
