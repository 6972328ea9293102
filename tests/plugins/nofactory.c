/* nofactory: version 1 with no factory at all. */
#include "tests/plugins/test_plugin_util.h"

static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, NULL};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
