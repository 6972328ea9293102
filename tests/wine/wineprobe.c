/* wineprobe: a plugin for the end-to-end tests under Wine.
 *  - display driver "TrayProbe": reports whether the program's tray icon
 *    exists when the driver is initialised and when the farewell begins,
 *    and logs the moment the program deletes it (Wine drops the icons of a
 *    destroyed window by itself, so only the call shows the program did);
 *  - data sources "Zeta", "alpha", "Beta" (created in that order): "Zeta"
 *    and "Beta" claim a configuration dialog and log that configure ran,
 *    "alpha" has none. */
#include <windows.h>

#include <shellapi.h> /* needs windows.h first */

#include <stdio.h>
#include <string.h>

#include "plugin/api/glancer_plugin.h"

static CoreServices* services;
static HWND programWindow;

static void Log(const char* text)
{
    services->vtbl->Log(services, text);
}

static void CopyName(char* buffer, const char* name)
{
    strncpy(buffer, name, GLANCER_TEXT_SIZE - 1);
    buffer[GLANCER_TEXT_SIZE - 1] = '\0';
}

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
    Log(line);
}

typedef BOOL(WINAPI* NotifyFunction)(DWORD, PNOTIFYICONDATAA);
static NotifyFunction realNotify;

static BOOL WINAPI NotifySpy(DWORD message, PNOTIFYICONDATAA data)
{
    if (message == NIM_DELETE && data != NULL && data->uID == 103)
        Log("TrayProbe: tray icon deleted");
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
    CopyName(buffer, "TrayProbe");
}
static const IDisplayDriverVtbl driverVtbl = {DriverNothing, DriverInit,    DriverNothing,         DriverConfigure,
                                              DriverInfo,    DriverNothing, DriverPrepareShutdown, DriverWriteText,
                                              DriverUpdate,  DriverName};
static IDisplayDriver driver = {&driverVtbl};

/* ---- data sources -------------------------------------------------------- */
typedef struct ProbeData {
    IData base;
    const char* name;
    uint32_t configureResult;
} ProbeData;

static void GLANCER_CALL DataNothing(IData* self)
{
    (void)self;
}
static uint32_t GLANCER_CALL DataConfigure(IData* self)
{
    const ProbeData* data = (const ProbeData*)self;
    char line[128];
    snprintf(line, sizeof line, "WineProbe: configure %s", data->name);
    Log(line);
    return data->configureResult;
}
static void GLANCER_CALL DataValue(IData* self, uint32_t index, void* value, uint32_t size)
{
    (void)self, (void)index, (void)value, (void)size;
}
static PluginImage* GLANCER_CALL DataImage(IData* self, uint32_t index)
{
    (void)self, (void)index;
    return NULL;
}
static int32_t GLANCER_CALL DataCount(IData* self)
{
    (void)self;
    return 0;
}
static void GLANCER_CALL DataText(IData* self, uint32_t index, char* buffer)
{
    (void)self, (void)index;
    buffer[0] = '\0';
}
static uint32_t GLANCER_CALL DataType(IData* self, uint32_t index)
{
    (void)self, (void)index;
    return GLANCER_VAR_TEXT;
}
static void GLANCER_CALL DataName(IData* self, char* buffer)
{
    CopyName(buffer, ((const ProbeData*)self)->name);
}
static const IDataVtbl dataVtbl = {DataNothing, DataNothing, DataNothing, DataConfigure, DataValue,
                                   DataImage,   DataCount,   DataText,    DataText,      DataType,
                                   DataCount,   DataText,    DataText,    DataName};
static ProbeData dataSources[] = {{{&dataVtbl}, "Zeta", 0}, {{&dataVtbl}, "alpha", 1}, {{&dataVtbl}, "Beta", 0}};

/* ---- module and factories ------------------------------------------------ */
typedef struct ProbeFactory {
    IComponentFactory base;
    void* component;
} ProbeFactory;

static void* GLANCER_CALL Create(IComponentFactory* self)
{
    return ((ProbeFactory*)self)->component;
}
static const IComponentFactoryVtbl factoryVtbl = {Create};
static ProbeFactory factories[4] = {
    {{&factoryVtbl, &factories[1].base, GLANCER_TYPE_DISPLAY_DRIVER}, &driver},
    {{&factoryVtbl, &factories[2].base, GLANCER_TYPE_DATA}, &dataSources[0]},
    {{&factoryVtbl, &factories[3].base, GLANCER_TYPE_DATA}, &dataSources[1]},
    {{&factoryVtbl, NULL, GLANCER_TYPE_DATA}, &dataSources[2]},
};

static int32_t GLANCER_CALL Version(IModule* self)
{
    (void)self;
    return GLANCER_INTERFACE_VERSION;
}
static IComponentFactory* GLANCER_CALL FirstFactory(IModule* self)
{
    (void)self;
    return &factories[0].base;
}
static const IModuleVtbl moduleVtbl = {Version, FirstFactory};
static IModule module = {&moduleVtbl};

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* coreServices)
{
    services = coreServices;
    return &module;
}
