#pragma once

#include <cstdint>
#include <string>

// Receives the elements the reader finds, in document order.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // An element with child elements, before its content.
    virtual void StartElement(const std::string& name, const std::string& attributes) = 0;
    // An element without child elements, with its raw text.
    virtual void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) = 0;
    // An element with child elements, after its content.
    virtual void EndElement(const std::string& name, const std::string& attributes) = 0;
};

// A small event reader for the screen-file dialect: start, end and
// empty-element tags with raw attribute text and raw element text. It skips
// the XML declaration and comments, decodes no entities, knows no CDATA, and
// never reports an error: malformed structure ends the current level.
class XmlReader {
public:
    virtual ~XmlReader() = default;

    void SetHandler(XmlHandler* handler);
    // False (and no event) for a null text or a length below 1; true otherwise.
    bool Parse(const char* data, std::int32_t length);

private:
    std::string document;
    XmlHandler* handler = nullptr;
};
