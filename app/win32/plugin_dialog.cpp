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

bool ConfigureSelected(HWND dialog)
{
    return ConfigureDataSource(TheCore().dataSources, SelectedListText(GetDlgItem(dialog, IDC_PLUGIN_LIST)));
}

// Stores nothing: OK only closes.
constexpr ChoiceDialog kPluginDialog{FillDataSources, nullptr, ConfigureSelected};

} // namespace

INT_PTR CALLBACK PluginDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return ChoiceDialogMessage(dialog, message, wParam, kPluginDialog);
}
