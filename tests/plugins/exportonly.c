/* The smallest module the loader accepts: it exports getInterface, which
 * offers nothing. */
#include "plugin/api/glancer_plugin.h"

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    (void)services;
    return NULL;
}
