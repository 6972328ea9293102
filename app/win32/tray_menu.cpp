#include "app/win32/tray_menu.h"

#include <shellapi.h>

#include <string>

#include "app/startup.h"
#include "app/win32/dialogs.h"
#include "app/win32/resource.h"
#include "app/win32/version.h"
#include "core/core.h"

namespace {

void RunDialog(HWND window, int resource, DLGPROC procedure)
{
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), window, procedure, 0);
    if (result == -1)
        MessageBoxA(window, "Dialog failed!", "Error", MB_ICONINFORMATION | MB_OK);
}

void ShowAbout(HWND window)
{
    // The bitness tells which plugin DLLs this program can load.
    const char* bits = sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)";
    const std::string text = std::string("Glancer ") + GLANCER_VERSION + bits +
                             "\n\nShows screens of live plugin data on a small external display panel.";
    MessageBoxA(window, text.c_str(), "About Glancer", MB_ICONINFORMATION | MB_OK);
}

void LoadGui(HWND window)
{
    IUserInterface* userInterface = TheCore().userInterface;
    if (userInterface != nullptr)
        userInterface->vtbl->show(userInterface);
    else
        MessageBoxA(window, "GUI not available! (Not implemented yet)", "Error", MB_ICONINFORMATION | MB_OK);
}

} // namespace

void ShowTrayMenu(HWND window)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return;
    InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_LOAD_GUI, "Load GUI");
    InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_EDIT_SCREENS, "Edit screens");
    InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_SELECT_DRIVER, "Select driver");
    InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_CONFIGURE_PLUGINS, "Configure plugins");
    InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_ABOUT, "About");
    InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, IDM_EXIT, "Exit");
    // Without the foreground the menu would not close on a click elsewhere,
    // and without the posted message it would not close on the next one.
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_BOTTOMALIGN | TPM_LEFTALIGN, cursor.x, cursor.y, 0, window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void RunMenuCommand(HWND window, WORD id)
{
    switch (id) {
    case IDM_EXIT:
        DestroyWindow(window);
        break;
    case IDM_SELECT_DRIVER:
        RunDialog(window, IDD_DRIVER, DriverDialogProc);
        break;
    case IDM_CONFIGURE_PLUGINS:
        RunDialog(window, IDD_PLUGINS, PluginDialogProc);
        break;
    case IDM_ABOUT:
        ShowAbout(window);
        break;
    case IDM_LOAD_GUI:
        LoadGui(window);
        break;
    case IDM_EDIT_SCREENS:
        ShellExecuteA(nullptr, "open", "screens", nullptr, nullptr, SW_SHOWNORMAL);
        break;
    default:
        break;
    }
}
