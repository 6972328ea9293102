// Modules that bend the plugin contract, one per name; the build defines the
// module's name in capitals to pick its variant.
//
//   nullmodule    getInterface gives no module
//   noexport      no "getInterface" entry at all
//   version2      reports interface version 2 and has a data factory the
//                 program must never reach
//   nofactory     version 1 with no factory at all
//   cyclefactory  a factory chain that loops back on itself (types 105, 106)
//   nullcreate    one factory of each known type; every create gives NULL
//   oddfactory    types 102, 103, 103, 105 and no IPlugin: a silent driver
//                 "OddDriver", data sources "Odd1" and "Odd2" with empty
//                 catalogues, and a type the program does not know, whose
//                 create logs "oddfactory: create 105" should it ever run
//   catdata       three data sources with awkward catalogues and no IPlugin
//                 (configure logs "<name> configure" and claims a dialog
//                 when there are variables):
//     "CatA": variables v0 (int), Mixed (text), v2 (double), v0 again (int)
//             at index 3; images i0 (getImage gives NULL) and i1 (3x2)
//     "CatB": variable count -1, image count 1000000 (ids i0, i1, i1, ...)
//     "CatalogueSourceThree" (20 characters): variable v2 (text, shared with
//             CatA) and at index 1 an id of 256 'x' without a terminator
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/fixture-plugins/test_plugin_util.h"

namespace {

#if defined(CATDATA) || defined(ODDFACTORY)

// A data source serving a fixed catalogue; a null id is written as a whole
// buffer of 'x' with no terminator.
struct Catalogue {
    IData base;
    const char* name;
    std::int32_t variableCount;
    const char* const* ids;
    const char* const* names;
    const std::uint32_t* types;
    std::int32_t imageCount;
};

const Catalogue& Cat(IData* self)
{
    return *reinterpret_cast<const Catalogue*>(self);
}
bool HasVariable(IData* self, std::uint32_t index)
{
    return static_cast<std::int32_t>(index) < Cat(self).variableCount;
}

std::uint8_t smallPixels[6] = {1, 0, 1, 0, 1, 0};
PluginImage small{smallPixels, 3, 2, 0, 6};

const IDataVtbl kCatalogueVtbl = {
    [](IData*) {},
    [](IData*) {},
    [](IData*) {},
    [](IData* self) -> std::uint32_t { // only a catalogue with variables has settings to show
        LogLine((std::string(Cat(self).name) + " configure").c_str());
        return Cat(self).variableCount > 0 ? 0 : 1;
    },
    [](IData*, std::uint32_t, void*, std::uint32_t) {},
    [](IData* self, std::uint32_t index) { return Cat(self).imageCount > 1 && index == 1 ? &small : nullptr; },
    [](IData* self) { return Cat(self).variableCount; },
    [](IData* self, std::uint32_t index, char* buffer) {
        if (!HasVariable(self, index))
            return;
        if (Cat(self).ids[index] == nullptr)
            std::memset(buffer, 'x', GLANCER_TEXT_SIZE);
        else
            PutText(buffer, GLANCER_TEXT_SIZE, Cat(self).ids[index]);
    },
    [](IData* self, std::uint32_t index, char* buffer) {
        if (HasVariable(self, index))
            PutText(buffer, GLANCER_TEXT_SIZE, Cat(self).names[index]);
    },
    [](IData* self, std::uint32_t index) { return HasVariable(self, index) ? Cat(self).types[index] : 0u; },
    [](IData* self) { return Cat(self).imageCount; },
    [](IData*, std::uint32_t index, char* buffer) { PutText(buffer, GLANCER_TEXT_SIZE, index == 0 ? "i0" : "i1"); },
    [](IData*, std::uint32_t index, char* buffer) {
        PutText(buffer, GLANCER_TEXT_SIZE, index == 0 ? "Null image" : "Small");
    },
    [](IData* self, char* buffer) { PutText(buffer, GLANCER_TEXT_SIZE, Cat(self).name); },
};
#endif

#if defined(CATDATA)
const char* const kIdsA[] = {"v0", "Mixed", "v2", "v0"};
const char* const kNamesA[] = {"Var zero", "Mixed case", "Var two", "Var zero again"};
const std::uint32_t kTypesA[] = {GLANCER_VAR_INT, GLANCER_VAR_TEXT, GLANCER_VAR_DOUBLE, GLANCER_VAR_INT};
const char* const kIdsC[] = {"v2", nullptr};
const char* const kNamesC[] = {"Shared two", "Long id"};
const std::uint32_t kTypesC[] = {GLANCER_VAR_TEXT, GLANCER_VAR_TEXT};
Catalogue catA{{&kCatalogueVtbl}, "CatA", 4, kIdsA, kNamesA, kTypesA, 2};
Catalogue catB{{&kCatalogueVtbl}, "CatB", -1, nullptr, nullptr, nullptr, 1000000};
Catalogue catC{{&kCatalogueVtbl}, "CatalogueSourceThree", 2, kIdsC, kNamesC, kTypesC, 0};
StubFactory chain[3] = {{{&kStubFactoryVtbl, &chain[1].base, GLANCER_TYPE_DATA}, &catA},
                        {{&kStubFactoryVtbl, &chain[2].base, GLANCER_TYPE_DATA}, &catB},
                        {{&kStubFactoryVtbl, nullptr, GLANCER_TYPE_DATA}, &catC}};
StubModule module{{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &chain[0].base};

#elif defined(ODDFACTORY)
const IDisplayDriverVtbl kSilentDriverVtbl = {
    [](IDisplayDriver*) {},
    [](IDisplayDriver*) {},
    [](IDisplayDriver*) {},
    [](IDisplayDriver*) -> std::uint32_t { return 1; },
    [](IDisplayDriver*, DisplayInfo* out) {
        *out = DisplayInfo{16, 8, 4, 1};
        return out;
    },
    [](IDisplayDriver*) {},
    [](IDisplayDriver*) {},
    [](IDisplayDriver*, const char*, std::uint32_t, std::uint32_t) {},
    [](IDisplayDriver*, const FrameBufferHeader*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](IDisplayDriver*, char* buffer) { PutText(buffer, GLANCER_TEXT_SIZE, "OddDriver"); },
};
const IComponentFactoryVtbl kUnknownVtbl = {[](IComponentFactory*) -> void* {
    LogLine("oddfactory: create 105");
    return nullptr;
}};
IDisplayDriver driver{&kSilentDriverVtbl};
Catalogue odd1{{&kCatalogueVtbl}, "Odd1", 0, nullptr, nullptr, nullptr, 0};
Catalogue odd2{{&kCatalogueVtbl}, "Odd2", 0, nullptr, nullptr, nullptr, 0};
StubFactory chain[4] = {{{&kStubFactoryVtbl, &chain[1].base, GLANCER_TYPE_DISPLAY_DRIVER}, &driver},
                        {{&kStubFactoryVtbl, &chain[2].base, GLANCER_TYPE_DATA}, &odd1},
                        {{&kStubFactoryVtbl, &chain[3].base, GLANCER_TYPE_DATA}, &odd2},
                        {{&kUnknownVtbl, nullptr, 105}, nullptr}};
StubModule module{{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &chain[0].base};

#elif defined(NULLCREATE)
StubFactory chain[4] = {{{&kStubFactoryVtbl, &chain[1].base, GLANCER_TYPE_PLUGIN}, nullptr},
                        {{&kStubFactoryVtbl, &chain[2].base, GLANCER_TYPE_DISPLAY_DRIVER}, nullptr},
                        {{&kStubFactoryVtbl, &chain[3].base, GLANCER_TYPE_DATA}, nullptr},
                        {{&kStubFactoryVtbl, nullptr, GLANCER_TYPE_USER_INTERFACE}, nullptr}};
StubModule module{{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &chain[0].base};

#elif defined(CYCLEFACTORY)
StubFactory chain[2] = {{{&kStubFactoryVtbl, &chain[1].base, 105}, nullptr},
                        {{&kStubFactoryVtbl, &chain[0].base, 106}, nullptr}};
StubModule module{{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &chain[0].base};

#elif defined(NOFACTORY)
StubModule module{{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, nullptr};

#elif defined(VERSION2)
StubFactory data{{&kStubFactoryVtbl, nullptr, GLANCER_TYPE_DATA}, nullptr};
StubModule module{{&kStubModuleVtbl}, 2, &data.base};
#endif

} // namespace

#if defined(NOEXPORT)
GLANCER_EXPORT std::int32_t notTheEntry()
{
    return 1;
}
#else
GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
#if defined(NULLMODULE)
    return nullptr;
#else
    return &module.base;
#endif
}
#endif
