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

void StoreDriver(HWND dialog)
{
    StoreDriverSetting(SelectedComboText(GetDlgItem(dialog, IDC_DRIVER_COMBO)));
    MessageBoxA(dialog, "Please restart Glancer for the new settings to take effect.", "Restart Glancer",
                MB_ICONINFORMATION | MB_OK);
}

bool ConfigureSelected(HWND dialog)
{
    return ConfigureDriver(TheCore().drivers, SelectedComboText(GetDlgItem(dialog, IDC_DRIVER_COMBO)));
}

constexpr ChoiceDialog kDriverDialog{FillDrivers, StoreDriver, ConfigureSelected};

} // namespace

INT_PTR CALLBACK DriverDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return ChoiceDialogMessage(dialog, message, wParam, kDriverDialog);
}
