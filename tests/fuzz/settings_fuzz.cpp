// The settings file: parse any file, write it, parse it again: every
// value and every line kept as read survive; then a value set the way the
// program sets one is read back, and still nothing else is lost.
#include <cstdlib>

#include "platform/posix/registry_text.h"

using platform::regtext::RegistryText;
using platform::regtext::Value;

namespace {

bool Same(const Value* a, const Value* b)
{
    return a != nullptr && b != nullptr && a->type == b->type && a->data == b->data;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RegistryText first;
    if (!first.Parse(std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    RegistryText second;
    Check(second.Parse(first.Format()));
    const auto values = first.Values();
    Check(second.Values().size() == values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        Check(second.Values()[i].first == values[i].first && Same(&second.Values()[i].second, &values[i].second));
    Check(second.KeptLines() == first.KeptLines());

    // As a write of the program: the key and its parents, then the value.
    const std::string key = "HKEY_CURRENT_USER\\Software\\Glancer\\Fuzz";
    Value added;
    added.name = "DRIVER";
    added.type = 1;
    added.data = {'N', 'u', 'l', 'l', 0};
    second.AddKey(key, "HKEY_CURRENT_USER\\Software\\Glancer");
    Check(second.Set(key, added));
    RegistryText third;
    Check(third.Parse(second.Format()));
    Check(Same(third.Find(key, "driver"), &added));
    for (const auto& [path, value] : values)
        if (!platform::regtext::EqualNoCase(path, key) || !platform::regtext::EqualNoCase(value.name, added.name))
            Check(Same(third.Find(path, value.name), first.Find(path, value.name)));
    Check(third.KeptLines() == first.KeptLines());
    return 0;
}
