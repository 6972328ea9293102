#pragma once

#include "plugin/api/glancer_dialog_win32.hpp"

namespace vdisplay {

// The driver's DLL, which owns the window class and the dialog.
using glancer::ThisModule;

} // namespace vdisplay
