/* cyclefactory: a factory chain that loops back on itself (types 105, 106). */
#include "tests/plugins/test_plugin_util.h"

static StubFactory second;
static StubFactory first = {{&kStubFactoryVtbl, &second.base, 105}, NULL};
static StubFactory second = {{&kStubFactoryVtbl, &first.base, 106}, NULL};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &first.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
