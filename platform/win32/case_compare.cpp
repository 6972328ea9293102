#include <windows.h>

#include "platform/platform.h"

namespace platform {

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    // The comparison a combo box's exact-string search makes, in the user's locale.
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace platform
