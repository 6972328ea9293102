// The XML reader on any text: no crash, no hang, every StartElement
// closed by an EndElement.
#include <cstdlib>

#include "screendef/xml_reader.h"

namespace {

class Checker : public XmlHandler {
public:
    void StartElement(const std::string&, const std::string&) override { ++open; }
    void LeafElement(const std::string& name, const std::string&, const std::string&) override
    {
        if (name.empty())
            std::abort();
    }
    void EndElement(const std::string& name, const std::string&) override
    {
        // An element with an empty name opens nothing but still ends.
        if (!name.empty() && --open < 0)
            std::abort();
    }
    int open = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Checker checker;
    XmlReader reader;
    reader.SetHandler(&checker);
    reader.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (size > 0 && checker.open != 0)
        std::abort();
    return 0;
}
