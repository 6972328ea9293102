#include "app/win32/tray_window.h"

#include "app/win32/tray_icon.h"
#include "app/win32/tray_menu.h"

namespace {

const char kClassName[] = "GlancerWindowClass";
UINT taskbarCreated = 0;

void Fail(const char* text)
{
    MessageBoxA(nullptr, text, "Error!", MB_ICONEXCLAMATION | MB_OK);
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        RunMenuCommand(window, LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        RemoveTrayIcon();
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_LBUTTONDOWN:
        return 0;
    case kTrayMessage:
        if (lParam == WM_CONTEXTMENU || lParam == WM_RBUTTONDOWN)
            ShowTrayMenu(window);
        return 0;
    default:
        if (message == taskbarCreated && taskbarCreated != 0) {
            AddTrayIcon(window, GetModuleHandleA(nullptr));
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

HWND CreateTrayWindow(HINSTANCE instance)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = TrayWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExA(&windowClass) == 0) {
        Fail("Window Registration Failed!");
        return nullptr;
    }
    // Explorer broadcasts this when it restarts; the icon must then be added again.
    taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    HWND window = CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, "Glancer", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 240, 120, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        Fail("Window Creation Failed!");
    return window;
}
