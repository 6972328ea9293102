/*
 * testui: a user-interface component. Each loaded copy of the module takes
 * the next instance number from the setting "Instances" in section "TestUI"
 * when getInterface runs; show appends "show <n>" to "ui_shown.txt" and logs
 * "TestUI show <n>", so a test can tell which copy the program uses.
 */
#include "tests/fixture-plugins/test_plugin_util.h"

static int32_t instance;

static void GLANCER_CALL UiRelease(IUserInterface* self)
{
    (void)self;
}

static void GLANCER_CALL UiShow(IUserInterface* self)
{
    char line[64];
    (void)self;
    snprintf(line, sizeof line, "show %d", (int)instance);
    AppendLine("ui_shown.txt", line);
    snprintf(line, sizeof line, "TestUI show %d", (int)instance);
    LogLine(line);
}

static const IUserInterfaceVtbl kUiVtbl = {UiRelease, UiShow};
static IUserInterface ui = {&kUiVtbl};
static StubPlugin plugin = {{&kStubPluginVtbl}, "TestUI"};
static StubFactory uiFactory = {{&kStubFactoryVtbl, NULL, GLANCER_TYPE_USER_INTERFACE}, &ui};
static StubFactory pluginFactory = {{&kStubFactoryVtbl, &uiFactory.base, GLANCER_TYPE_PLUGIN}, &plugin};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &pluginFactory.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    instance = services->vtbl->ReadInt(services, "Instances", "TestUI") + 1;
    services->vtbl->WriteInt(services, "Instances", (uint32_t)instance, "TestUI");
    return &module.base;
}
