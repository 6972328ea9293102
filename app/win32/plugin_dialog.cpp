#include "app/win32/win.h"

#include "app/data_source_choice.h"
#include "app/startup.h"
#include "app/win32/dialogs.h"
#include "app/win32/resource.h"
#include "core/core.h"

namespace {

void FillDataSources(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_PLUGIN_LIST);
    for (const DataSource& source : TheCore().dataSources)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(source.name.c_str()));
}

INT_PTR HandleCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 2);
        return TRUE;
    case IDC_CONFIGURE:
        if (!ConfigureDataSource(TheCore().dataSources, SelectedListText(GetDlgItem(dialog, IDC_PLUGIN_LIST))))
            ShowNoConfiguration(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK PluginDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    try {
        if (message == WM_INITDIALOG) {
            FillDataSources(dialog);
            return TRUE;
        }
        if (message == WM_COMMAND)
            return HandleCommand(dialog, LOWORD(wParam));
    } catch (...) {
    }
    return FALSE;
}
