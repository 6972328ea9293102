#include "app/win32/win.h"

#include "app/driver_choice.h"
#include "app/startup.h"
#include "app/win32/dialogs.h"
#include "app/win32/resource.h"
#include "core/core.h"

namespace {

void FillDrivers(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_DRIVER_COMBO);
    const std::vector<std::string> names = DriverNames(TheCore().drivers);
    for (const std::string& name : names)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    const int preselected = PreselectedDriver(names, ReadDriverSetting());
    if (preselected >= 0)
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(preselected), 0);
}

INT_PTR HandleCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        StoreDriverSetting(SelectedComboText(GetDlgItem(dialog, IDC_DRIVER_COMBO)));
        MessageBoxA(dialog, "Please restart Glancer for the new settings to take effect.", "Restart Glancer",
                    MB_ICONINFORMATION | MB_OK);
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 2);
        return TRUE;
    case IDC_CONFIGURE:
        if (!ConfigureDriver(TheCore().drivers, SelectedComboText(GetDlgItem(dialog, IDC_DRIVER_COMBO))))
            ShowNoConfiguration(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK DriverDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    try {
        if (message == WM_INITDIALOG) {
            FillDrivers(dialog);
            return TRUE;
        }
        if (message == WM_COMMAND)
            return HandleCommand(dialog, LOWORD(wParam));
    } catch (...) {
    }
    return FALSE;
}
