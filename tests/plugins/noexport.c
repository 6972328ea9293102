/* noexport: a module without the "getInterface" entry. */
#include "tests/plugins/test_plugin_util.h"

#if defined(_WIN32)
__declspec(dllexport)
#else
__attribute__((visibility("default")))
#endif
    int32_t notTheEntry(void)
{
    return 1;
}
