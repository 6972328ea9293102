#pragma once

#include "app/win32/win.h"

#include <string>

// Dialog 101 "Display driver": lists the Core's drivers, preselects the
// "DRIVER" setting, stores the choice on OK (effective at the next start)
// and opens a driver's own configuration dialog.
INT_PTR CALLBACK DriverDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Dialog 104: lists the data sources sorted and opens one's own
// configuration dialog. Stores nothing.
INT_PTR CALLBACK PluginDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A dialog that lists plugins of one kind, with OK, Cancel and
// IDC_CONFIGURE: what it does with them.
struct ChoiceDialog {
    void (*fill)(HWND dialog);      // on WM_INITDIALOG
    void (*accept)(HWND dialog);    // on OK, before the dialog ends; null: OK only closes
    bool (*configure)(HWND dialog); // opens the selected plugin's dialog; false: it has none
};

// The dialog procedure's work for a ChoiceDialog: OK ends the dialog with
// 1, Cancel with 2, and a plugin without a dialog of its own says so.
INT_PTR ChoiceDialogMessage(HWND dialog, UINT message, WPARAM wParam, const ChoiceDialog& kind);

// The text of the selected entry of a combo box or list box; empty when
// nothing is selected. Text typed into a combo box's field is not used.
std::string SelectedComboText(HWND combo);
std::string SelectedListText(HWND list);

// "No configuration dialog available." owned by `owner`.
void ShowNoConfiguration(HWND owner);
