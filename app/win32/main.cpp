#include "app/win32/win.h"

#include "app/startup.h"
#include "app/win32/tray_icon.h"
#include "app/win32/tray_window.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND window = CreateTrayWindow(instance);
    if (window == nullptr)
        return 0;
    UpdateWindow(window);
    AddTrayIcon(window, instance);

    platform::PeriodicTimer timer;
    StartUp(TheCore(), timer);

    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    ShutDown(TheCore(), timer);
    return static_cast<int>(message.wParam);
}
