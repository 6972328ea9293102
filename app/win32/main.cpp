#include "app/win32/win.h"

#include <cstdlib>

#include "app/screen_watch.h"
#include "app/startup.h"
#include "app/win32/commands.h"
#include "app/win32/tray_icon.h"
#include "app/win32/tray_window.h"
#include "platform/platform.h"
#include "support/log_stream.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (IsCommand(__argc, __argv))
        return RunCommand(__argc, __argv);
    ReopenLog(); // every start recreates log.txt, even one that fails at once
    HWND window = CreateTrayWindow(instance);
    if (window == nullptr)
        return 0;
    UpdateWindow(window);
    AddTrayIcon(window, instance);

    platform::PeriodicTimer timer;
    ScreenWatch watch(TheCore(), timer);
    if (StartUp(TheCore(), timer))
        watch.Start();

    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    watch.Stop();
    ShutDown(TheCore(), timer);
    return static_cast<int>(message.wParam);
}
