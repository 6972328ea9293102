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

// The text of the selected entry of a combo box or list box; empty when
// nothing is selected. Text typed into a combo box's field is not used.
std::string SelectedComboText(HWND combo);
std::string SelectedListText(HWND list);

// "No configuration dialog available." owned by `owner`.
void ShowNoConfiguration(HWND owner);
