/* wineprobe: a display driver "TrayProbe" for the end-to-end tests under
 * Wine. It reports whether the program's tray icon exists when the driver is
 * initialised and when the farewell begins, and logs the moment the program
 * deletes it (Wine drops the icons of a destroyed window by itself, so only
 * the call shows the program did). */
#include <windows.h>

#include <shellapi.h> /* needs windows.h first */

#include "tests/fixture-plugins/test_plugin_util.h"

static HWND programWindow;

static BOOL CALLBACK FindOwnWindow(HWND window, LPARAM unused)
{
    char className[64] = "";
    DWORD process = 0;
    (void)unused;
    GetWindowThreadProcessId(window, &process);
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && strcmp(className, "GlancerWindowClass") == 0) {
        programWindow = window;
        return FALSE;
    }
    return TRUE;
}

static void ReportTrayIcon(const char* when)
{
    NOTIFYICONDATAA data;
    char line[128];
    memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = programWindow;
    data.uID = 103;
    snprintf(line, sizeof line, "TrayProbe: tray icon %s %s",
             programWindow != NULL && Shell_NotifyIconA(NIM_MODIFY, &data) ? "present" : "absent", when);
    LogLine(line);
}

typedef BOOL(WINAPI* NotifyFunction)(DWORD, PNOTIFYICONDATAA);
static NotifyFunction realNotify;

static BOOL WINAPI NotifySpy(DWORD message, PNOTIFYICONDATAA data)
{
    if (message == NIM_DELETE && data != NULL && data->uID == 103)
        LogLine("TrayProbe: tray icon deleted");
    return realNotify(message, data);
}

/* Points the program's import of Shell_NotifyIconA at NotifySpy. */
static void SpyOnTrayCalls(void)
{
    BYTE* base = (BYTE*)GetModuleHandleA(NULL);
    const IMAGE_NT_HEADERS* headers = (const IMAGE_NT_HEADERS*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY* imports = &headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    FARPROC target = GetProcAddress(GetModuleHandleA("shell32.dll"), "Shell_NotifyIconA");
    if (imports->VirtualAddress == 0 || target == NULL)
        return;
    for (const IMAGE_IMPORT_DESCRIPTOR* module = (const IMAGE_IMPORT_DESCRIPTOR*)(base + imports->VirtualAddress);
         module->Name != 0; ++module) {
        for (IMAGE_THUNK_DATA* thunk = (IMAGE_THUNK_DATA*)(base + module->FirstThunk); thunk->u1.Function != 0;
             ++thunk) {
            DWORD protection;
            if (thunk->u1.Function != (ULONG_PTR)target ||
                !VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, PAGE_READWRITE, &protection))
                continue;
            realNotify = (NotifyFunction)(void (*)(void))target;
            thunk->u1.Function = (ULONG_PTR)NotifySpy;
            VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, protection, &protection);
        }
    }
}

/* ---- display driver ---------------------------------------------------- */
static void GLANCER_CALL DriverNothing(IDisplayDriver* self)
{
    (void)self;
}
static void GLANCER_CALL DriverInit(IDisplayDriver* self)
{
    (void)self;
    EnumWindows(FindOwnWindow, 0);
    ReportTrayIcon("at init");
    SpyOnTrayCalls();
}
static uint32_t GLANCER_CALL DriverConfigure(IDisplayDriver* self)
{
    (void)self;
    return 1;
}
static DisplayInfo* GLANCER_CALL DriverInfo(IDisplayDriver* self, DisplayInfo* out)
{
    (void)self;
    out->xPixels = 120;
    out->yPixels = 32;
    out->xChars = 20;
    out->yChars = 4;
    return out;
}
static void GLANCER_CALL DriverPrepareShutdown(IDisplayDriver* self)
{
    (void)self;
    ReportTrayIcon("at shutdown");
}
static void GLANCER_CALL DriverWriteText(IDisplayDriver* self, const char* text, uint32_t x, uint32_t y)
{
    (void)self, (void)text, (void)x, (void)y;
}
static void GLANCER_CALL DriverUpdate(IDisplayDriver* self, const FrameBufferHeader* frame, uint32_t x, uint32_t y,
                                      uint32_t width, uint32_t height)
{
    (void)self, (void)frame, (void)x, (void)y, (void)width, (void)height;
}
static void GLANCER_CALL DriverName(IDisplayDriver* self, char* buffer)
{
    (void)self;
    PutText(buffer, GLANCER_TEXT_SIZE, "TrayProbe");
}
static const IDisplayDriverVtbl driverVtbl = {DriverNothing, DriverInit,    DriverNothing,         DriverConfigure,
                                              DriverInfo,    DriverNothing, DriverPrepareShutdown, DriverWriteText,
                                              DriverUpdate,  DriverName};
static IDisplayDriver driver = {&driverVtbl};

/* ---- module ------------------------------------------------------------- */
static StubFactory factory = {{&kStubFactoryVtbl, NULL, GLANCER_TYPE_DISPLAY_DRIVER}, &driver};
static StubModule module = {{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &factory.base};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* coreServices)
{
    gServices = coreServices;
    return &module.base;
}
