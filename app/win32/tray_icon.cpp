#include "app/win32/tray_icon.h"

#include <shellapi.h>

#include "app/win32/resource.h"

namespace {

NOTIFYICONDATAA trayIcon{};

} // namespace

bool AddTrayIcon(HWND window, HINSTANCE instance)
{
    if (trayIcon.hIcon != nullptr)
        DestroyIcon(trayIcon.hIcon);
    trayIcon = NOTIFYICONDATAA{};
    trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayIcon.hWnd = window;
    trayIcon.uID = IDI_GLANCER;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = kTrayMessage;
    trayIcon.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_GLANCER), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    lstrcpynA(trayIcon.szTip, "Glancer", sizeof trayIcon.szTip);
    return Shell_NotifyIconA(NIM_ADD, &trayIcon) != FALSE;
}

void RemoveTrayIcon()
{
    if (trayIcon.hWnd != nullptr)
        Shell_NotifyIconA(NIM_DELETE, &trayIcon);
}
