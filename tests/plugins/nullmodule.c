/* nullmodule: getInterface gives no module. */
#include "tests/plugins/test_plugin_util.h"

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return NULL;
}
