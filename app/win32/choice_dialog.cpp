#include "app/win32/win.h"

#include "app/win32/dialogs.h"
#include "app/win32/resource.h"

namespace {

INT_PTR HandleCommand(HWND dialog, WORD id, const ChoiceDialog& kind)
{
    switch (id) {
    case IDOK:
        if (kind.accept != nullptr)
            kind.accept(dialog);
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 2);
        return TRUE;
    case IDC_CONFIGURE:
        if (!kind.configure(dialog))
            ShowNoConfiguration(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR ChoiceDialogMessage(HWND dialog, UINT message, WPARAM wParam, const ChoiceDialog& kind)
{
    try {
        if (message == WM_INITDIALOG) {
            kind.fill(dialog);
            return TRUE;
        }
        if (message == WM_COMMAND)
            return HandleCommand(dialog, LOWORD(wParam), kind);
    } catch (...) {
    }
    return FALSE;
}
