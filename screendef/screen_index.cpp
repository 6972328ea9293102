#include "screendef/screen_index.h"

#include <ostream>

#include "platform/platform.h"
#include "support/log_stream.h"

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
    std::string bytes;
    switch (platform::ReadRegularFile(platform::NativePath(path), kMaxScreenFileBytes, bytes)) {
    case platform::FileRead::Ok:
        break;
    case platform::FileRead::NotRegular:
        LogStream << "File not read, not a regular file: " << path << std::endl;
        return {};
    case platform::FileRead::TooLarge:
        LogStream << "File not read, larger than " << kMaxScreenFileBytes << " bytes: " << path << std::endl;
        return {};
    default: // missing or unreadable: the same as an empty file
        return {};
    }
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != '\r' || i + 1 == bytes.size() || bytes[i + 1] != '\n')
            text.push_back(bytes[i]);
    return text;
}
