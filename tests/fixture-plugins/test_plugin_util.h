/*
 * Shared pieces of the test-double plugins. Plain C that C++ modules include
 * too, written against the public plugin header only, so every module also
 * builds as a Windows DLL. Each module includes this once and gets its own
 * copy of the state.
 */
#ifndef GLANCER_TEST_PLUGIN_UTIL_H
#define GLANCER_TEST_PLUGIN_UTIL_H

#include <stdio.h>
#include <string.h>

#include "plugin/api/glancer_plugin.h"

#if defined(__GNUC__)
#define TEST_UNUSED __attribute__((unused))
#else
#define TEST_UNUSED
#endif

/* The services object handed to getInterface; null until then. */
static CoreServices* gServices TEST_UNUSED;

/* Copies text into a plugin-side buffer of `size` bytes, always terminated. */
static void TEST_UNUSED PutText(char* buffer, uint32_t size, const char* text)
{
    size_t length;
    if (buffer == NULL || size == 0)
        return;
    length = strlen(text);
    if (length >= size)
        length = size - 1;
    memcpy(buffer, text, length);
    buffer[length] = '\0';
}

static void TEST_UNUSED LogLine(const char* text)
{
    if (gServices != NULL)
        gServices->vtbl->Log(gServices, text);
}

/* Appends one line to a file in the working directory, flushed at once
 * (the file is opened per line so tests can read it at any moment). */
static void TEST_UNUSED AppendLine(const char* fileName, const char* line)
{
    FILE* file = fopen(fileName, "a");
    if (file == NULL)
        return;
    fputs(line, file);
    fputc('\n', file);
    fclose(file);
}

/* ---- A describing IPlugin whose calls go to "plugin_calls.txt" ---------- */
typedef struct StubPlugin {
    IPlugin base;
    const char* name;
} StubPlugin;

static void StubPluginRecord(IPlugin* self, const char* what)
{
    char line[GLANCER_TEXT_SIZE];
    snprintf(line, sizeof line, "%s %s", ((StubPlugin*)self)->name, what);
    AppendLine("plugin_calls.txt", line);
}

/* A call that only records its name, or an info text naming its slot. */
#define STUB_PLUGIN_CALL(function, what)                                                                               \
    static void GLANCER_CALL function(IPlugin* self)                                                                   \
    {                                                                                                                  \
        StubPluginRecord(self, what);                                                                                  \
    }
#define STUB_PLUGIN_INFO(n)                                                                                            \
    static void GLANCER_CALL StubPluginInfo##n(IPlugin* self, char* buffer, uint32_t size)                             \
    {                                                                                                                  \
        (void)self;                                                                                                    \
        PutText(buffer, size, "info" #n);                                                                              \
    }
STUB_PLUGIN_CALL(StubPluginRelease, "release")
STUB_PLUGIN_CALL(StubPluginInit, "init")
STUB_PLUGIN_CALL(StubPluginShutdown, "shutdown")
STUB_PLUGIN_INFO(1)
STUB_PLUGIN_INFO(2)
STUB_PLUGIN_INFO(3)
STUB_PLUGIN_INFO(4)
STUB_PLUGIN_INFO(5)
STUB_PLUGIN_INFO(6)
#undef STUB_PLUGIN_CALL
#undef STUB_PLUGIN_INFO

static void GLANCER_CALL StubPluginName(IPlugin* self, char* buffer, uint32_t size)
{
    PutText(buffer, size, ((StubPlugin*)self)->name);
}

static const IPluginVtbl kStubPluginVtbl TEST_UNUSED = {
    StubPluginRelease, StubPluginInit,  StubPluginShutdown, StubPluginName,  StubPluginInfo1,
    StubPluginInfo2,   StubPluginInfo3, StubPluginInfo4,    StubPluginInfo5, StubPluginInfo6,
};

/* ---- A factory that hands out one fixed object -------------------------- */
typedef struct StubFactory {
    IComponentFactory base;
    void* component;
} StubFactory;

static void* GLANCER_CALL StubFactoryCreate(IComponentFactory* self)
{
    return ((StubFactory*)self)->component;
}

static const IComponentFactoryVtbl kStubFactoryVtbl TEST_UNUSED = {StubFactoryCreate};

/* ---- A module whose factory chain is given by the plugin ---------------- */
typedef struct StubModule {
    IModule base;
    int32_t version;
    IComponentFactory* first;
} StubModule;

static int32_t GLANCER_CALL StubModuleVersion(IModule* self)
{
    return ((StubModule*)self)->version;
}
static IComponentFactory* GLANCER_CALL StubModuleFirst(IModule* self)
{
    return ((StubModule*)self)->first;
}

static const IModuleVtbl kStubModuleVtbl TEST_UNUSED = {StubModuleVersion, StubModuleFirst};

#endif
