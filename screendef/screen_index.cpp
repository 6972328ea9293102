#include "screendef/screen_index.h"

#include <cstdio>

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
    // C stdio: a stream over a folder or a failing disk must give an error
    // result, never an exception.
    std::FILE* file = std::fopen(platform::NativePath(path).c_str(), "rb");
    if (file == nullptr)
        return {};
    std::string text;
    char chunk[16384];
    bool pendingCr = false;
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        for (std::size_t i = 0; i < got; ++i) {
            if (pendingCr && chunk[i] != '\n')
                text.push_back('\r');
            pendingCr = chunk[i] == '\r';
            if (!pendingCr)
                text.push_back(chunk[i]);
        }
    }
    if (pendingCr)
        text.push_back('\r');
    std::fclose(file);
    return text;
}
