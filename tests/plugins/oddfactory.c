/*
 * oddfactory: a factory chain of types 102, 103, 103, 105 and no IPlugin:
 * a silent driver "OddDriver", data sources "Odd1" and "Odd2" with empty
 * catalogues, and a type the program does not know, whose create logs
 * "oddfactory: create 105" should it ever be called.
 */
#include "tests/plugins/test_plugin_util.h"

static void GLANCER_CALL DriverNoop(IDisplayDriver* self)
{
    (void)self;
}
static uint32_t GLANCER_CALL DriverConfigure(IDisplayDriver* self)
{
    (void)self;
    return 1;
}
static DisplayInfo* GLANCER_CALL DriverInfo(IDisplayDriver* self, DisplayInfo* out)
{
    (void)self;
    out->xPixels = 16;
    out->yPixels = 8;
    out->xChars = 4;
    out->yChars = 1;
    return out;
}
static void GLANCER_CALL DriverText(IDisplayDriver* self, const char* text, uint32_t x, uint32_t y)
{
    (void)self;
    (void)text;
    (void)x;
    (void)y;
}
static void GLANCER_CALL DriverRegion(IDisplayDriver* self, const FrameBufferHeader* frame, uint32_t x, uint32_t y,
                                      uint32_t width, uint32_t height)
{
    (void)self;
    (void)frame;
    (void)x;
    (void)y;
    (void)width;
    (void)height;
}
static void GLANCER_CALL DriverName(IDisplayDriver* self, char* buffer)
{
    (void)self;
    PutText(buffer, GLANCER_TEXT_SIZE, "OddDriver");
}
static const IDisplayDriverVtbl kDriverVtbl = {DriverNoop, DriverNoop, DriverNoop, DriverConfigure, DriverInfo,
                                               DriverNoop, DriverNoop, DriverText, DriverRegion,    DriverName};
static IDisplayDriver driver = {&kDriverVtbl};

typedef struct OddData {
    IData base;
    const char* name;
} OddData;

static void GLANCER_CALL DataNoop(IData* self)
{
    (void)self;
}
static uint32_t GLANCER_CALL DataConfigure(IData* self)
{
    (void)self;
    return 1;
}
static void GLANCER_CALL DataValue(IData* self, uint32_t index, void* value, uint32_t size)
{
    (void)self;
    (void)index;
    (void)value;
    (void)size;
}
static PluginImage* GLANCER_CALL DataImage(IData* self, uint32_t index)
{
    (void)self;
    (void)index;
    return NULL;
}
static int32_t GLANCER_CALL DataCount(IData* self)
{
    (void)self;
    return 0;
}
static void GLANCER_CALL DataText(IData* self, uint32_t index, char* buffer)
{
    (void)self;
    (void)index;
    PutText(buffer, GLANCER_TEXT_SIZE, "");
}
static uint32_t GLANCER_CALL DataType(IData* self, uint32_t index)
{
    (void)self;
    (void)index;
    return 0;
}
static void GLANCER_CALL DataName(IData* self, char* buffer)
{
    PutText(buffer, GLANCER_TEXT_SIZE, ((OddData*)self)->name);
}
static const IDataVtbl kDataVtbl = {DataNoop, DataNoop, DataNoop, DataConfigure, DataValue, DataImage, DataCount,
                                    DataText, DataText, DataType, DataCount,     DataText,  DataText,  DataName};
static OddData odd1 = {{&kDataVtbl}, "Odd1"};
static OddData odd2 = {{&kDataVtbl}, "Odd2"};

static void* GLANCER_CALL CreateUnknown(IComponentFactory* self)
{
    (void)self;
    LogLine("oddfactory: create 105");
    return NULL;
}
static const IComponentFactoryVtbl kUnknownVtbl = {CreateUnknown};

static IComponentFactory unknownFactory = {&kUnknownVtbl, NULL, 105};
static StubFactory odd2Factory = {{&kStubFactoryVtbl, &unknownFactory, GLANCER_TYPE_DATA}, &odd2};
static StubFactory odd1Factory = {{&kStubFactoryVtbl, &odd2Factory.base, GLANCER_TYPE_DATA}, &odd1};
static StubFactory driverFactory = {{&kStubFactoryVtbl, &odd1Factory.base, GLANCER_TYPE_DISPLAY_DRIVER}, &driver};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &driverFactory.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
