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
 * configure reports a dialog only when "HasDialog" is 1 there; it then holds
 * the caller, as a plugin waiting in its own dialog would, until the test
 * closes that dialog by creating "close_dialog.txt" in the working directory
 * (or a minute passes), and logs "RecordDriver configure" on entry and
 * "RecordDriver configure done" on return.
 *
 * Built with ACCENT_NAME (accentdriver) it is named "Acc\xC9nt" instead.
 * Built with RECORD_NOTHING (quietdriver) it only counts the calls and writes
 * one line "calls N" at release, for runs of millions of ticks.
 */
#include <stdlib.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include "tests/fixture-plugins/test_plugin_util.h"

#ifndef RECORD_FILE
#define RECORD_FILE "driver_calls.txt"
#endif
#define RECORD_SECTION "RecordDriver"
#ifdef ACCENT_NAME
#define DRIVER_NAME "Acc\xC9nt" /* E with an acute accent in Windows-1252 */
#else
#define DRIVER_NAME "RecordDriver"
#endif

#ifdef RECORD_NOTHING
static unsigned long calls;
static void Record(const char* line)
{
    char summary[64];
    ++calls;
    if (strcmp(line, "release") != 0)
        return;
    snprintf(summary, sizeof summary, "calls %lu", calls);
    AppendLine(RECORD_FILE, summary);
}
#else
static void Record(const char* line)
{
    AppendLine(RECORD_FILE, line);
}
#endif

static uint32_t Setting(const char* name, uint32_t fallback)
{
    int32_t value = gServices != NULL ? gServices->vtbl->ReadInt(gServices, name, RECORD_SECTION) : 0;
    return value > 0 ? (uint32_t)value : fallback;
}

static void Pause(uint32_t ms)
{
#ifdef _WIN32
    Sleep(ms);
#else
    struct timespec wait = {(time_t)(ms / 1000), (long)(ms % 1000) * 1000000L};
    nanosleep(&wait, NULL);
#endif
}

/* Until the test says the user closed the dialog; bounded, so a test that
 * never says so still ends. */
static void WaitForDialogClosed(void)
{
    for (int waited = 0; waited < 60000; waited += 10) {
        FILE* file = fopen("close_dialog.txt", "r");
        if (file != NULL) {
            fclose(file);
            return;
        }
        Pause(10);
    }
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
        WaitForDialogClosed();
        LogLine("RecordDriver configure done");
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
    char line[64 + GLANCER_TEXT_SIZE];
    (void)self;
#ifdef RECORD_NOTHING
    (void)x, (void)y, (void)text;
    Record("writeText");
    return;
#endif
    snprintf(line, sizeof line, "writeText %u %u %s", (unsigned)x, (unsigned)y, text != NULL ? text : "(null)");
    Record(line);
}

/* Each row goes out as 0/1 characters; a region outside the frame as " outside". */
static void GLANCER_CALL DriverUpdateRegion(IDisplayDriver* self, const FrameBufferHeader* frame, uint32_t x,
                                            uint32_t y, uint32_t width, uint32_t height)
{
    int inside = frame != NULL && frame->pixels != NULL && (uint64_t)x + width <= frame->xPixels &&
                 (uint64_t)y + height <= frame->yPixels;
    size_t size = 64 + (inside ? (size_t)height * (width + 1) : 8), at;
    char* line;
    uint32_t row, column;
    (void)self;
#ifdef RECORD_NOTHING
    Record("updateRegion");
    return;
#endif
    line = (char*)malloc(size);
    if (line == NULL)
        return;
    at = (size_t)snprintf(line, size, "updateRegion %u %u %u %u%s", (unsigned)x, (unsigned)y, (unsigned)width,
                          (unsigned)height, inside ? "" : " outside");
    for (row = y; inside && row < y + height; ++row) {
        line[at++] = ' ';
        for (column = x; column < x + width; ++column)
            line[at++] = frame->pixels[(size_t)row * frame->xPixels + column] != 0 ? '1' : '0';
    }
    line[at] = '\0';
    Record(line);
    free(line);
}

static void GLANCER_CALL DriverGetName(IDisplayDriver* self, char* buffer)
{
    (void)self;
    PutText(buffer, GLANCER_TEXT_SIZE, DRIVER_NAME);
}

static const IDisplayDriverVtbl kDriverVtbl = {
    DriverRelease,         DriverInit,      DriverShutdown,     DriverConfigure, DriverGetDisplayInfo, DriverClear,
    DriverPrepareShutdown, DriverWriteText, DriverUpdateRegion, DriverGetName,
};

static IDisplayDriver driver = {&kDriverVtbl};
static StubPlugin plugin = {{&kStubPluginVtbl}, DRIVER_NAME};
static StubFactory driverFactory = {{&kStubFactoryVtbl, NULL, GLANCER_TYPE_DISPLAY_DRIVER}, &driver};
static StubFactory pluginFactory = {{&kStubFactoryVtbl, &driverFactory.base, GLANCER_TYPE_PLUGIN}, &plugin};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &pluginFactory.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
