/* nullcreate: one factory of each known type, every create gives NULL. */
#include "tests/plugins/test_plugin_util.h"

static StubFactory uiFactory = {{&kStubFactoryVtbl, NULL, GLANCER_TYPE_USER_INTERFACE}, NULL};
static StubFactory dataFactory = {{&kStubFactoryVtbl, &uiFactory.base, GLANCER_TYPE_DATA}, NULL};
static StubFactory driverFactory = {{&kStubFactoryVtbl, &dataFactory.base, GLANCER_TYPE_DISPLAY_DRIVER}, NULL};
static StubFactory pluginFactory = {{&kStubFactoryVtbl, &driverFactory.base, GLANCER_TYPE_PLUGIN}, NULL};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &pluginFactory.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
