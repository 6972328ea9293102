#include "app/win32/win.h"

#include "app/startup.h"
#include "app/win32/tray_icon.h"
#include "app/win32/tray_window.h"
#include "platform/platform.h"
#include "support/log_stream.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    ReopenLog(); // every start recreates log.txt, even one that fails at once
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
