#include "screendef/screen_index.h"

#include <fstream>
#include <iterator>

#include "platform/platform.h"

void ScreenIndexHandler::SetList(std::vector<std::string>* newList)
{
    list = newList;
}

void ScreenIndexHandler::StartElement(const std::string& name, const std::string&)
{
    if (!inScreens && name == "screens")
        inScreens = true;
}

void ScreenIndexHandler::LeafElement(const std::string& name, const std::string& text, const std::string&)
{
    if (inScreens && name == "screenfile" && list != nullptr)
        list->push_back(text);
}

void ScreenIndexHandler::EndElement(const std::string&, const std::string&)
{
    inScreens = false;
}

ScreenIndexReader::ScreenIndexReader()
{
    handler.SetList(&fileNames);
}

void ScreenIndexReader::Load(const std::string& path)
{
    reader.SetHandler(&handler);
    reader.Parse(ReadTextFile(path));
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(platform::NativePath(path), std::ios::binary);
    if (!in)
        return {};
    std::string raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text.push_back(raw[i]);
    }
    return text;
}
