/*
 * recorddriver: a display driver named "RecordDriver" that records every
 * call as one line of "driver_calls.txt" in the working directory:
 *
 *   init | getDisplayInfo | clear | prepareShutdown | shutdown | release
 *   configure
 *   writeText <x> <y> <text>
 *   updateRegion <x> <y> <w> <h> <row> <row> ...   (rows of 0/1 from the frame)
 *
 * Geometry comes from the settings "XPixels", "YPixels", "XChars", "YChars"
 * in section "RecordDriver" (122x32 pixels, 20x4 characters when unset).
 * configure reports a dialog only when "HasDialog" is 1 there.
 */
#include "tests/plugins/test_plugin_util.h"

#ifndef RECORD_FILE
#define RECORD_FILE "driver_calls.txt"
#endif
#define RECORD_SECTION "RecordDriver"

static void Record(const char* line)
{
    AppendLine(RECORD_FILE, line);
}

static uint32_t Setting(const char* name, uint32_t fallback)
{
    int32_t value = gServices != NULL ? gServices->vtbl->ReadInt(gServices, name, RECORD_SECTION) : 0;
    return value > 0 ? (uint32_t)value : fallback;
}

/* The calls that only record their name. */
#define RECORDING(function, line)                                                                                      \
    static void GLANCER_CALL function(IDisplayDriver* self)                                                            \
    {                                                                                                                  \
        (void)self;                                                                                                    \
        Record(line);                                                                                                  \
    }
RECORDING(DriverRelease, "release")
RECORDING(DriverInit, "init")
RECORDING(DriverShutdown, "shutdown")
RECORDING(DriverClear, "clear")
RECORDING(DriverPrepareShutdown, "prepareShutdown")
#undef RECORDING

static uint32_t GLANCER_CALL DriverConfigure(IDisplayDriver* self)
{
    (void)self;
    Record("configure");
    if (gServices != NULL && gServices->vtbl->ReadInt(gServices, "HasDialog", RECORD_SECTION) == 1) {
        LogLine("RecordDriver configure");
        return 0;
    }
    return 1;
}

static DisplayInfo* GLANCER_CALL DriverGetDisplayInfo(IDisplayDriver* self, DisplayInfo* out)
{
    static DisplayInfo own;
    (void)self;
    Record("getDisplayInfo");
    if (out == NULL)
        out = &own;
    out->xPixels = Setting("XPixels", 122);
    out->yPixels = Setting("YPixels", 32);
    out->xChars = Setting("XChars", 20);
    out->yChars = Setting("YChars", 4);
    return out;
}

static void GLANCER_CALL DriverWriteText(IDisplayDriver* self, const char* text, uint32_t x, uint32_t y)
{
    FILE* file = fopen(RECORD_FILE, "a");
    (void)self;
    if (file == NULL)
        return;
    fprintf(file, "writeText %u %u %s\n", (unsigned)x, (unsigned)y, text != NULL ? text : "(null)");
    fclose(file);
}

static void GLANCER_CALL DriverUpdateRegion(IDisplayDriver* self, const FrameBufferHeader* frame, uint32_t x,
                                            uint32_t y, uint32_t width, uint32_t height)
{
    FILE* file = fopen(RECORD_FILE, "a");
    uint32_t row;
    uint32_t column;
    (void)self;
    if (file == NULL)
        return;
    fprintf(file, "updateRegion %u %u %u %u", (unsigned)x, (unsigned)y, (unsigned)width, (unsigned)height);
    if (frame == NULL || frame->pixels == NULL || (uint64_t)x + width > frame->xPixels ||
        (uint64_t)y + height > frame->yPixels) {
        fputs(" outside\n", file);
        fclose(file);
        return;
    }
    for (row = y; row < y + height; ++row) {
        const uint8_t* line = frame->pixels + (size_t)row * frame->xPixels;
        fputc(' ', file);
        for (column = x; column < x + width; ++column)
            fputc(line[column] != 0 ? '1' : '0', file);
    }
    fputc('\n', file);
    fclose(file);
}

static void GLANCER_CALL DriverGetName(IDisplayDriver* self, char* buffer)
{
    (void)self;
    PutText(buffer, GLANCER_TEXT_SIZE, "RecordDriver");
}

static const IDisplayDriverVtbl kDriverVtbl = {
    DriverRelease,         DriverInit,      DriverShutdown,     DriverConfigure, DriverGetDisplayInfo, DriverClear,
    DriverPrepareShutdown, DriverWriteText, DriverUpdateRegion, DriverGetName,
};

static IDisplayDriver driver = {&kDriverVtbl};
static StubPlugin plugin = {{&kStubPluginVtbl}, "RecordDriver"};
static StubFactory driverFactory = {{&kStubFactoryVtbl, NULL, GLANCER_TYPE_DISPLAY_DRIVER}, &driver};
static StubFactory pluginFactory = {{&kStubFactoryVtbl, &driverFactory.base, GLANCER_TYPE_PLUGIN}, &plugin};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &pluginFactory.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
