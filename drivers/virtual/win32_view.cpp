// The Windows view: a small top-level window of its own, run by a thread of
// its own so that it stays responsive whatever the program's main thread does.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "drivers/virtual/panel_view.h"
#include "plugin/api/glancer_settings.hpp"

namespace vdisplay {
namespace {

const char kClassName[] = "GlancerVirtualDisplay";
const char kTitle[] = "Glancer - Virtual display";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kBezel = 10;                 // window pixels of frame around the panel
constexpr UINT kCloseMessage = WM_APP + 1; // from Stop: destroy the window, end the thread

// A 32-bit top-down DIB pixel is 0x00RRGGBB, the settings' own format.
std::uint32_t Darker(std::uint32_t colour)
{
    const auto channel = [colour](int shift) { return ((colour >> shift & 0xFFu) * 3 / 4) << shift; };
    return channel(16) | channel(8) | channel(0);
}

int ScreenWidth()
{
    return GetSystemMetrics(SM_CXVIRTUALSCREEN);
}

int ScreenHeight()
{
    return GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

// The largest scale up to the wanted one at which the window fits the
// screens, so that a large panel never asks for a giant bitmap.
int FittingScale(const Geometry& geometry, std::uint32_t wanted)
{
    const int width = std::max(ScreenWidth(), 320);
    const int height = std::max(ScreenHeight(), 200);
    int scale = static_cast<int>(std::clamp<std::uint32_t>(wanted, 1, kMaxScale));
    while (scale > 1 && (static_cast<int>(geometry.xPixels) * scale + 2 * kBezel > width ||
                         static_cast<int>(geometry.yPixels) * scale + 2 * kBezel > height))
        --scale;
    return scale;
}

// A remembered position is used only while the window's caption would be on
// some monitor, so a window is never restored where it cannot be dragged.
bool CaptionOnScreen(int x, int y, int windowWidth)
{
    const RECT caption{x, y, x + windowWidth, y + GetSystemMetrics(SM_CYCAPTION)};
    return MonitorFromRect(&caption, MONITOR_DEFAULTTONULL) != nullptr;
}

class Win32View final : public PanelView {
public:
    ~Win32View() override { Stop(); }

    bool Start(const Settings& settings, CoreServices* services) override
    {
        Stop();
        settings_ = settings;
        services_ = services;
        scale_ = FittingScale(settings.geometry, settings.scale);
        clientWidth_ = static_cast<int>(settings.geometry.xPixels) * scale_ + 2 * kBezel;
        clientHeight_ = static_cast<int>(settings.geometry.yPixels) * scale_ + 2 * kBezel;
        std::promise<bool> created;
        std::future<bool> result = created.get_future();
        thread_ = std::thread([this, promise = std::move(created)]() mutable { Run(promise); });
        if (result.get())
            return true;
        thread_.join();
        return false;
    }

    void Show(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height) override
    {
        if (picture == nullptr)
            return;
        {
            std::lock_guard<std::mutex> lock(pictureMutex_);
            picture_.assign(picture, picture + static_cast<std::size_t>(width) * height);
            width_ = width;
            height_ = height;
        }
        // Only marks the window for painting; never waits for its thread.
        if (HWND window = window_.load())
            InvalidateRect(window, nullptr, FALSE);
    }

    void Stop() override
    {
        if (!thread_.joinable())
            return;
        if (HWND window = window_.exchange(nullptr))
            PostMessageA(window, kCloseMessage, 0, 0);
        thread_.join();
    }

private:
    // The window thread: owns the window class, the window and its messages.
    void Run(std::promise<bool>& created)
    {
        bool reported = false;
        try {
            const HINSTANCE instance = glancer::ThisModule();
            WNDCLASSEXA windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WindowProc;
            windowClass.hInstance = instance;
            windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
            windowClass.hIconSm = windowClass.hIcon;
            windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
            windowClass.lpszClassName = kClassName;
            const bool registered = RegisterClassExA(&windowClass) != 0;
            HWND window = registered || GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? CreateViewWindow(instance)
                                                                                    : nullptr;
            window_.store(window);
            reported = true;
            created.set_value(window != nullptr);
            if (window != nullptr) {
                ShowWindow(window, SW_SHOWNOACTIVATE);
                MSG message;
                while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                    TranslateMessage(&message);
                    DispatchMessageA(&message);
                }
            }
            // The class names this DLL's procedure; it must not outlive the DLL.
            if (registered)
                UnregisterClassA(kClassName, instance);
        } catch (...) {
            if (!reported)
                created.set_value(false);
        }
    }

    HWND CreateViewWindow(HINSTANCE instance)
    {
        RECT frame{0, 0, clientWidth_, clientHeight_};
        AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        int x = CW_USEDEFAULT;
        int y = CW_USEDEFAULT;
        if (settings_.windowX >= 0 && settings_.windowY >= 0 &&
            CaptionOnScreen(settings_.windowX, settings_.windowY, width)) {
            x = settings_.windowX;
            y = settings_.windowY;
        }
        return CreateWindowExA(0, kClassName, kTitle, kStyle, x, y, width, height, nullptr, nullptr, instance,
                               this);
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        try {
            if (message == WM_NCCREATE) {
                const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
                SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            }
            auto* view = reinterpret_cast<Win32View*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (view != nullptr)
                return view->Handle(window, message, wParam, lParam);
        } catch (...) {
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case kCloseMessage:
            DestroyWindow(window);
            return 0;
        case WM_CLOSE:
            // The program lives in the tray and ends from there; the panel
            // only gets out of the way.
            ShowWindow(window, SW_MINIMIZE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_ERASEBKGND:
            return 1; // the paint covers every pixel
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_EXITSIZEMOVE:
            SavePosition(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    }

    void SavePosition(HWND window)
    {
        RECT rect;
        if (services_ == nullptr || IsIconic(window) || !GetWindowRect(window, &rect))
            return;
        services_->vtbl->WriteInt(services_, "WindowX", static_cast<std::uint32_t>(rect.left), kSettingsSection);
        services_->vtbl->WriteInt(services_, "WindowY", static_cast<std::uint32_t>(rect.top), kSettingsSection);
    }

    // Draws the whole client area into one bitmap and copies it in one go,
    // so the window never shows a half-drawn panel.
    void Paint(HWND window)
    {
        {
            std::lock_guard<std::mutex> lock(pictureMutex_);
            shown_.assign(picture_.begin(), picture_.end());
            shownWidth_ = width_;
            shownHeight_ = height_;
        }
        Render();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = clientWidth_;
        info.bmiHeader.biHeight = -clientHeight_; // rows from the top
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(clientWidth_), static_cast<DWORD>(clientHeight_), 0, 0, 0,
                          static_cast<UINT>(clientHeight_), bitmap_.data(), &info, DIB_RGB_COLORS);
        EndPaint(window, &paint);
    }

    // Each panel pixel becomes a scale x scale dot; from scale 3 up a lit dot
    // keeps a one-pixel unlit gap on its right and bottom, as on a real LCD.
    void Render()
    {
        const std::uint32_t lit = settings_.litColour & 0xFFFFFFu;
        const std::uint32_t unlit = settings_.unlitColour & 0xFFFFFFu;
        bitmap_.assign(static_cast<std::size_t>(clientWidth_) * clientHeight_, Darker(unlit));
        const int gap = scale_ >= 3 ? 1 : 0;
        const auto panelWidth = static_cast<int>(settings_.geometry.xPixels);
        const auto panelHeight = static_cast<int>(settings_.geometry.yPixels);
        for (int py = 0; py < panelHeight; ++py) {
            for (int px = 0; px < panelWidth; ++px) {
                const bool on = static_cast<std::uint32_t>(px) < shownWidth_ &&
                                static_cast<std::uint32_t>(py) < shownHeight_ &&
                                shown_[static_cast<std::size_t>(py) * shownWidth_ + static_cast<std::size_t>(px)] != 0;
                const int left = kBezel + px * scale_;
                const int top = kBezel + py * scale_;
                for (int dy = 0; dy < scale_; ++dy) {
                    std::uint32_t* row = bitmap_.data() + static_cast<std::size_t>(top + dy) * clientWidth_ + left;
                    for (int dx = 0; dx < scale_; ++dx)
                        row[dx] = on && dx < scale_ - gap && dy < scale_ - gap ? lit : unlit;
                }
            }
        }
    }

    // Set by Start before the window thread begins, constant afterwards.
    Settings settings_;
    CoreServices* services_ = nullptr;
    int scale_ = 1;
    int clientWidth_ = 0;
    int clientHeight_ = 0;

    std::thread thread_;
    std::atomic<HWND> window_{nullptr};

    std::mutex pictureMutex_; // guards the three below: Show writes, the window thread reads
    std::vector<std::uint8_t> picture_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;

    // The window thread's own copy and bitmap.
    std::vector<std::uint8_t> shown_;
    std::uint32_t shownWidth_ = 0;
    std::uint32_t shownHeight_ = 0;
    std::vector<std::uint32_t> bitmap_;
};

} // namespace

std::unique_ptr<PanelView> MakePlatformView()
{
    return std::make_unique<Win32View>();
}

} // namespace vdisplay
