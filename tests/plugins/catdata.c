/*
 * catdata: three data sources with awkward catalogues and no IPlugin.
 *
 * "CatA": variables v0 (int), Mixed (text), v2 (double), v0 again (int) at
 *         index 3; images i0 (getImage gives NULL) and i1 (3x2).
 * "CatB": variable count -1, image count -1.
 * "CatalogueSourceThree" (20 characters): variable v2 (text, shared with
 *         CatA) and at index 1 an id of 256 'x' without a terminator.
 */
#include "tests/plugins/test_plugin_util.h"

typedef struct CatSource {
    IData base;
    const char* name;
    int32_t variableCount;
    const char* const* ids;
    const char* const* names;
    const uint32_t* types;
    int32_t imageCount;
} CatSource;

static const char* const kIdsA[] = {"v0", "Mixed", "v2", "v0"};
static const char* const kNamesA[] = {"Var zero", "Mixed case", "Var two", "Var zero again"};
static const uint32_t kTypesA[] = {GLANCER_VAR_INT, GLANCER_VAR_TEXT, GLANCER_VAR_DOUBLE, GLANCER_VAR_INT};
static const char* const kIdsC[] = {"v2", NULL};
static const char* const kNamesC[] = {"Shared two", "Long id"};
static const uint32_t kTypesC[] = {GLANCER_VAR_TEXT, GLANCER_VAR_TEXT};

static uint8_t smallPixels[6] = {1, 0, 1, 0, 1, 0};
static PluginImage small = {smallPixels, 3, 2, 0, 6};

static const CatSource* Cat(IData* self)
{
    return (const CatSource*)self;
}

static void GLANCER_CALL CatNoop(IData* self)
{
    (void)self;
}
static uint32_t GLANCER_CALL CatConfigure(IData* self)
{
    (void)self;
    return 1;
}
static void GLANCER_CALL CatGetValue(IData* self, uint32_t index, void* value, uint32_t size)
{
    (void)self;
    (void)index;
    PutText((char*)value, size, size >= 8 ? "cat" : "");
}
static PluginImage* GLANCER_CALL CatGetImage(IData* self, uint32_t index)
{
    return Cat(self)->imageCount > 1 && index == 1 ? &small : NULL;
}
static int32_t GLANCER_CALL CatVariableCount(IData* self)
{
    return Cat(self)->variableCount;
}
static void GLANCER_CALL CatVariableId(IData* self, uint32_t index, char* buffer)
{
    const CatSource* cat = Cat(self);
    if ((int32_t)index >= cat->variableCount)
        return;
    if (cat->ids[index] == NULL)
        memset(buffer, 'x', GLANCER_TEXT_SIZE); /* no terminator on purpose */
    else
        PutText(buffer, GLANCER_TEXT_SIZE, cat->ids[index]);
}
static void GLANCER_CALL CatVariableName(IData* self, uint32_t index, char* buffer)
{
    const CatSource* cat = Cat(self);
    if ((int32_t)index < cat->variableCount)
        PutText(buffer, GLANCER_TEXT_SIZE, cat->names[index]);
}
static uint32_t GLANCER_CALL CatVariableType(IData* self, uint32_t index)
{
    const CatSource* cat = Cat(self);
    return (int32_t)index < cat->variableCount ? cat->types[index] : 0;
}
static int32_t GLANCER_CALL CatImageCount(IData* self)
{
    return Cat(self)->imageCount;
}
static void GLANCER_CALL CatImageId(IData* self, uint32_t index, char* buffer)
{
    (void)self;
    PutText(buffer, GLANCER_TEXT_SIZE, index == 0 ? "i0" : "i1");
}
static void GLANCER_CALL CatImageName(IData* self, uint32_t index, char* buffer)
{
    (void)self;
    PutText(buffer, GLANCER_TEXT_SIZE, index == 0 ? "Null image" : "Small");
}
static void GLANCER_CALL CatName(IData* self, char* buffer)
{
    PutText(buffer, GLANCER_TEXT_SIZE, Cat(self)->name);
}

static const IDataVtbl kCatVtbl = {CatNoop,       CatNoop,          CatNoop,       CatConfigure,    CatGetValue,
                                   CatGetImage,   CatVariableCount, CatVariableId, CatVariableName, CatVariableType,
                                   CatImageCount, CatImageId,       CatImageName,  CatName};

static CatSource catA = {{&kCatVtbl}, "CatA", 4, kIdsA, kNamesA, kTypesA, 2};
static CatSource catB = {{&kCatVtbl}, "CatB", -1, NULL, NULL, NULL, -1};
static CatSource catC = {{&kCatVtbl}, "CatalogueSourceThree", 2, kIdsC, kNamesC, kTypesC, 0};

static StubFactory factoryC = {{&kStubFactoryVtbl, NULL, GLANCER_TYPE_DATA}, &catC};
static StubFactory factoryB = {{&kStubFactoryVtbl, &factoryC.base, GLANCER_TYPE_DATA}, &catB};
static StubFactory factoryA = {{&kStubFactoryVtbl, &factoryB.base, GLANCER_TYPE_DATA}, &catA};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &factoryA.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
