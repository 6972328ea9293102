/* version2: reports interface version 2. It has a data factory all the
 * same, which the program must never reach. */
#include "tests/plugins/test_plugin_util.h"

static StubFactory dataFactory = {{&kStubFactoryVtbl, NULL, GLANCER_TYPE_DATA}, NULL};
static StubModule module = {{&kStubModuleVtbl}, 2, &dataFactory.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
