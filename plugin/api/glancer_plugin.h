/*
 * glancer_plugin.h - the contract between Glancer and its plugins.
 *
 * This is the only header a plugin needs. It is plain C (C99) and compiles
 * as C++ too. A plugin never links against Glancer: everything it may call
 * in the program reaches it through the CoreServices table below.
 *
 * Life of a plugin module
 * -----------------------
 *  1. Load.    At start-up Glancer loads every "*.dll" (Windows) or "*.so"
 *              (Linux) in its working directory.
 *  2. Entry.   It looks up the exported function `getInterface` and calls it
 *              once with the address of the program's CoreServices object.
 *              The plugin may keep that pointer until it is unloaded.
 *              `getInterface` returns the module's IModule, or NULL.
 *  3. Version. IModule.getInterfaceVersion must give 1
 *              (GLANCER_INTERFACE_VERSION); any other value means "no
 *              components" and the module is left alone until unload.
 *  4. Factories. IModule.getFirstFactory gives the head of a chain of
 *              IComponentFactory objects linked by `next`. Glancer reads the
 *              fields of each factory directly and calls `create` once per
 *              factory whose `type` it knows (101..104).
 *  5. Use.     Components are used as their tables below describe. A
 *              component that also works on threads of its own guards its own
 *              data: Glancer takes no lock around any call.
 *  6. Shut down. In this order: the selected display driver gets clear,
 *              prepareShutdown, writeText("Good Bye!", 0, 0), shutdown; every
 *              IData gets shutdown then release; every IDisplayDriver gets
 *              release; every IPlugin gets shutdown then release. An
 *              IUserInterface is never released.
 *  7. Unload.  The module is freed. Nothing may call into it afterwards, so a
 *              plugin must have stopped its own threads in shutdown.
 *
 * Every interface is an object whose first field points to a table of
 * operations in fixed slot order; every operation receives the object
 * pointer as its first argument. Slots Glancer never calls must still be
 * present so that later slots keep their places.
 *
 * Texts are single-byte and zero-terminated. Buffers Glancer hands to a
 * plugin to fill are GLANCER_TEXT_SIZE (256) bytes; a plugin writes at most
 * 255 characters and a terminator. Glancer tolerates a plugin that forgets
 * the terminator (it reads at most 256 bytes), never one that writes more.
 * Glancer copies what a plugin writes (names, ids, texts) before the call
 * returns and keeps no pointer to it; so a plugin may reuse or free its own
 * text right after. Texts Glancer passes in (writeText's text, names given
 * to the services) live only for the call: copy what you keep.
 *
 * Threads: [main] marks calls made on the program's main (window) thread,
 * [tick] calls made from the 50 ms refresh cycle on the timer thread,
 * [any] services a plugin may call from any thread, its own included.
 *
 * Never let a C++ exception or a longjmp leave a plugin operation.
 */
#ifndef GLANCER_PLUGIN_H
#define GLANCER_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

/* The one calling convention of every function pointer in this header and of
 * getInterface. On 32-bit Windows it is __cdecl whatever the compiler's
 * default is (so the export stays undecorated); elsewhere there is only one
 * convention and the macro is empty. Override only if both sides agree. */
#ifndef GLANCER_CALL
#if defined(_WIN32) && !defined(_WIN64)
#define GLANCER_CALL __cdecl
#else
#define GLANCER_CALL
#endif
#endif

/* Marks the plugin's getInterface as exported, unmangled. */
#ifndef GLANCER_EXPORT
#if defined(_WIN32)
#define GLANCER_EXPORT_VISIBILITY __declspec(dllexport)
#else
#define GLANCER_EXPORT_VISIBILITY __attribute__((visibility("default")))
#endif
#ifdef __cplusplus
#define GLANCER_EXPORT extern "C" GLANCER_EXPORT_VISIBILITY
#else
#define GLANCER_EXPORT GLANCER_EXPORT_VISIBILITY
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
    GLANCER_INTERFACE_VERSION = 1,
    GLANCER_TEXT_SIZE = 256
};

/* Component type codes, as stored in IComponentFactory.type. */
enum {
    GLANCER_TYPE_PLUGIN = 101,
    GLANCER_TYPE_DISPLAY_DRIVER = 102,
    GLANCER_TYPE_DATA = 103,
    GLANCER_TYPE_USER_INTERFACE = 104
};

/* VariableType: what IData.getValue writes for a variable. */
enum {
    GLANCER_VAR_TEXT = 0,   /* text, into a 256-byte area, size 256 */
    GLANCER_VAR_INT = 1,    /* int32_t, size 4 */
    GLANCER_VAR_DOUBLE = 2  /* IEEE double, size 8 */
};

typedef struct CoreServices CoreServices;
typedef struct IModule IModule;
typedef struct IComponentFactory IComponentFactory;
typedef struct IPlugin IPlugin;
typedef struct IDisplayDriver IDisplayDriver;
typedef struct IData IData;
typedef struct IUserInterface IUserInterface;

/* Display geometry reported by IDisplayDriver.getDisplayInfo. */
typedef struct DisplayInfo {
    uint32_t xPixels; /* width in pixels */
    uint32_t yPixels; /* height in pixels */
    uint32_t xChars;  /* text columns */
    uint32_t yChars;  /* text rows */
} DisplayInfo;

/* A picture supplied by IData.getImage. It stays owned by the plugin and
 * must stay valid until the plugin is next called; Glancer copies `size`
 * bytes at once and keeps no pointer into it. */
typedef struct PluginImage {
    uint8_t* pixels; /* width*height bytes, 0 clear or 1 set, rows from the top */
    uint32_t width;
    uint32_t height;
    uint32_t extra;  /* copied with the picture, never interpreted */
    uint32_t size;   /* number of pixel bytes: width * height */
} PluginImage;

/* The leading fields of the program's frame buffer, handed to
 * IDisplayDriver.updateRegion. A driver reads them and nothing beyond. */
typedef struct FrameBufferHeader {
    uint8_t* pixels;     /* xPixels*yPixels bytes, one per pixel, rows from the top */
    uint32_t xPixels;
    uint32_t yPixels;
    uint32_t bufferSize; /* xPixels * yPixels */
    uint32_t xChars;
    uint32_t yChars;
} FrameBufferHeader;

/* ---- Services the program offers to plugins ------------------------------
 * Never reorder: this table only ever grows at its end. Settings live under
 * the program's own key ("Software\Glancer\" on Windows) plus `section`
 * (empty for the key itself; backslashes name deeper sub-keys). Copying
 * functions write at most size-1 bytes, zero-fill the rest and terminate;
 * with size 0 they write nothing. All services are [any]. */
typedef struct CoreServicesVtbl {
    void(GLANCER_CALL* Log)(CoreServices* self, const char* text);
    void(GLANCER_CALL* WriteInt)(CoreServices* self, const char* name, uint32_t value, const char* section);
    void(GLANCER_CALL* WriteDouble)(CoreServices* self, const char* name, double value, const char* section);
    void(GLANCER_CALL* WriteString)(CoreServices* self, const char* name, const char* text, const char* section);
    int32_t(GLANCER_CALL* ReadInt)(CoreServices* self, const char* name, const char* section);
    double(GLANCER_CALL* ReadDouble)(CoreServices* self, const char* name, const char* section);
    /* buffer: 256 bytes. Copies the stored bytes as they are, then a zero:
     * a text gives its characters, but a number written with WriteInt gives
     * the dword's four raw bytes (little-endian) and one written with
     * WriteDouble its eight, which may hold zeros; tell them apart by how
     * much of the buffer changed. A missing value reads as "\n"; a missing
     * key leaves the buffer unchanged, so give it a defined content first. */
    void(GLANCER_CALL* ReadString)(CoreServices* self, const char* name, const char* section, char* buffer);
    int32_t(GLANCER_CALL* CountDataSources)(CoreServices* self);
    void(GLANCER_CALL* DataSourceName)(CoreServices* self, char* buffer, uint32_t size, uint32_t index);
    int32_t(GLANCER_CALL* CountVariables)(CoreServices* self, const char* dataSource);
    void(GLANCER_CALL* VariableId)(CoreServices* self, const char* dataSource, uint32_t index, char* buffer, uint32_t size);
    void(GLANCER_CALL* VariableName)(CoreServices* self, const char* dataSource, uint32_t index, char* buffer, uint32_t size);
    int32_t(GLANCER_CALL* CountImages)(CoreServices* self, const char* dataSource);
    void(GLANCER_CALL* ImageId)(CoreServices* self, const char* dataSource, uint32_t index, char* buffer, uint32_t size);
    void(GLANCER_CALL* ImageName)(CoreServices* self, const char* dataSource, uint32_t index, char* buffer, uint32_t size);
    uint32_t(GLANCER_CALL* ImageWidth)(CoreServices* self, const char* dataSource, uint32_t index);
    uint32_t(GLANCER_CALL* ImageHeight)(CoreServices* self, const char* dataSource, uint32_t index);
    void(GLANCER_CALL* DriverName)(CoreServices* self, char* buffer, uint32_t size);
    uint32_t(GLANCER_CALL* DisplayXPixels)(CoreServices* self);
    uint32_t(GLANCER_CALL* DisplayYPixels)(CoreServices* self);
    uint32_t(GLANCER_CALL* DisplayXChars)(CoreServices* self);
    uint32_t(GLANCER_CALL* DisplayYChars)(CoreServices* self);
    /* Flags decide which screens may be shown; they take effect at the next
     * screen switch. */
    void(GLANCER_CALL* SetFlag)(CoreServices* self, const char* flag);
    void(GLANCER_CALL* ClearFlag)(CoreServices* self, const char* flag);
} CoreServicesVtbl;

struct CoreServices {
    const CoreServicesVtbl* vtbl;
};

/* ---- Module entry ------------------------------------------------------ */
typedef struct IModuleVtbl {
    int32_t(GLANCER_CALL* getInterfaceVersion)(IModule* self);           /* [main] must be 1 */
    IComponentFactory*(GLANCER_CALL* getFirstFactory)(IModule* self);    /* [main] NULL: none */
} IModuleVtbl;

struct IModule {
    const IModuleVtbl* vtbl;
};

typedef struct IComponentFactoryVtbl {
    /* [main] a new component of this factory's type; called once. */
    void*(GLANCER_CALL* create)(IComponentFactory* self);
} IComponentFactoryVtbl;

/* Glancer reads these fields directly, in this order. */
struct IComponentFactory {
    const IComponentFactoryVtbl* vtbl;
    IComponentFactory* next; /* NULL after the last factory */
    int32_t type;            /* GLANCER_TYPE_... */
};

/* The exported entry point, looked up by the name "getInterface". */
typedef IModule*(GLANCER_CALL* GetInterfaceFunction)(CoreServices* services);

/* ---- IPlugin: describes the module (one per module) ------------------- */
typedef struct IPluginVtbl {
    void(GLANCER_CALL* release)(IPlugin* self);                              /* [main] last call */
    void(GLANCER_CALL* init)(IPlugin* self);                                 /* [main] first call */
    void(GLANCER_CALL* shutdown)(IPlugin* self);                             /* [main] before release */
    void(GLANCER_CALL* getName)(IPlugin* self, char* buffer, uint32_t size); /* [main] size 256 */
    void(GLANCER_CALL* getInfo1)(IPlugin* self, char* buffer, uint32_t size);
    void(GLANCER_CALL* getInfo2)(IPlugin* self, char* buffer, uint32_t size);
    void(GLANCER_CALL* getInfo3)(IPlugin* self, char* buffer, uint32_t size);
    void(GLANCER_CALL* getInfo4)(IPlugin* self, char* buffer, uint32_t size);
    void(GLANCER_CALL* getInfo5)(IPlugin* self, char* buffer, uint32_t size);
    void(GLANCER_CALL* getInfo6)(IPlugin* self, char* buffer, uint32_t size);
} IPluginVtbl;

struct IPlugin {
    const IPluginVtbl* vtbl;
};

/* ---- IDisplayDriver ----------------------------------------------------
 * Only the selected driver gets init and the drawing calls; every created
 * driver gets getName, configure and release. */
typedef struct IDisplayDriverVtbl {
    void(GLANCER_CALL* release)(IDisplayDriver* self);  /* [main] */
    void(GLANCER_CALL* init)(IDisplayDriver* self);     /* [main] before any drawing */
    void(GLANCER_CALL* shutdown)(IDisplayDriver* self); /* [main] end of the farewell */
    /* [main] 0: a configuration dialog was shown; nonzero: there is none. */
    uint32_t(GLANCER_CALL* configure)(IDisplayDriver* self);
    /* [main] fill *out (or another area) and return where the values are.
     * Asked once, after init (never before it), and only of the selected
     * driver; the program reads the area before its next call to the driver. */
    DisplayInfo*(GLANCER_CALL* getDisplayInfo)(IDisplayDriver* self, DisplayInfo* out);
    void(GLANCER_CALL* clear)(IDisplayDriver* self);           /* [tick] screen change; farewell */
    void(GLANCER_CALL* prepareShutdown)(IDisplayDriver* self); /* [main] farewell */
    void(GLANCER_CALL* writeText)(IDisplayDriver* self, const char* text, uint32_t x, uint32_t y); /* [tick] */
    /* [tick] transfer the rectangle from frame->pixels. */
    void(GLANCER_CALL* updateRegion)(IDisplayDriver* self, const FrameBufferHeader* frame, uint32_t x, uint32_t y,
                                     uint32_t width, uint32_t height);
    /* [main] 256 bytes; the driver's identity. The program copies the text
     * at once, so it need only live until the call returns. */
    void(GLANCER_CALL* getName)(IDisplayDriver* self, char* buffer);
} IDisplayDriverVtbl;

struct IDisplayDriver {
    const IDisplayDriverVtbl* vtbl;
};

/* ---- IData: a data source --------------------------------------------
 * Indexes run from 0 to count-1 and stay valid for the component's life. */
typedef struct IDataVtbl {
    void(GLANCER_CALL* release)(IData* self);  /* [main] after shutdown */
    void(GLANCER_CALL* init)(IData* self);     /* [main] before any count or id */
    void(GLANCER_CALL* shutdown)(IData* self); /* [main] */
    uint32_t(GLANCER_CALL* configure)(IData* self); /* [main] as for drivers */
    /* [tick] write the value: text 256 bytes, int32 4 bytes, double 8 bytes. */
    void(GLANCER_CALL* getValue)(IData* self, uint32_t index, void* value, uint32_t size);
    /* [main][tick] NULL when there is no picture. */
    PluginImage*(GLANCER_CALL* getImage)(IData* self, uint32_t index);
    int32_t(GLANCER_CALL* getVariableCount)(IData* self);                           /* [main] <= 0: none */
    void(GLANCER_CALL* getVariableId)(IData* self, uint32_t index, char* buffer);   /* [main] 256 bytes */
    void(GLANCER_CALL* getVariableName)(IData* self, uint32_t index, char* buffer); /* [main] 256 bytes */
    uint32_t(GLANCER_CALL* getVariableType)(IData* self, uint32_t index);           /* [main] GLANCER_VAR_... */
    int32_t(GLANCER_CALL* getImageCount)(IData* self);                              /* [main] <= 0: none */
    void(GLANCER_CALL* getImageId)(IData* self, uint32_t index, char* buffer);      /* [main] 256 bytes */
    void(GLANCER_CALL* getImageName)(IData* self, uint32_t index, char* buffer);    /* [main] 256 bytes */
    /* [main] right after create, before init. Copied at once, like every
     * text a plugin writes into a buffer of the program's. */
    void(GLANCER_CALL* getName)(IData* self, char* buffer);
} IDataVtbl;

struct IData {
    const IDataVtbl* vtbl;
};

/* ---- IUserInterface: a plugin's own window, opened from the tray menu -- */
typedef struct IUserInterfaceVtbl {
    void(GLANCER_CALL* release)(IUserInterface* self); /* never called by Glancer */
    void(GLANCER_CALL* show)(IUserInterface* self);    /* [main] "Load GUI" */
} IUserInterfaceVtbl;

struct IUserInterface {
    const IUserInterfaceVtbl* vtbl;
};

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- Fixed layouts, checked for 32- and 64-bit targets ----------------- */
#if defined(__cplusplus)
#define GLANCER_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define GLANCER_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#else
#define GLANCER_STATIC_ASSERT(cond, msg)
#endif

#define GLANCER_P (sizeof(void*))
GLANCER_STATIC_ASSERT(sizeof(DisplayInfo) == 16, "DisplayInfo is four u32");
GLANCER_STATIC_ASSERT(offsetof(DisplayInfo, yChars) == 12, "DisplayInfo layout");
GLANCER_STATIC_ASSERT(offsetof(PluginImage, width) == GLANCER_P, "PluginImage.width follows the pointer");
GLANCER_STATIC_ASSERT(offsetof(PluginImage, height) == GLANCER_P + 4, "PluginImage layout");
GLANCER_STATIC_ASSERT(offsetof(PluginImage, extra) == GLANCER_P + 8, "PluginImage layout");
GLANCER_STATIC_ASSERT(offsetof(PluginImage, size) == GLANCER_P + 12, "PluginImage layout");
GLANCER_STATIC_ASSERT(offsetof(FrameBufferHeader, xPixels) == GLANCER_P, "frame header layout");
GLANCER_STATIC_ASSERT(offsetof(FrameBufferHeader, yPixels) == GLANCER_P + 4, "frame header layout");
GLANCER_STATIC_ASSERT(offsetof(FrameBufferHeader, bufferSize) == GLANCER_P + 8, "frame header layout");
GLANCER_STATIC_ASSERT(offsetof(FrameBufferHeader, xChars) == GLANCER_P + 12, "frame header layout");
GLANCER_STATIC_ASSERT(offsetof(FrameBufferHeader, yChars) == GLANCER_P + 16, "frame header layout");
GLANCER_STATIC_ASSERT(offsetof(IComponentFactory, next) == GLANCER_P, "factory layout");
GLANCER_STATIC_ASSERT(offsetof(IComponentFactory, type) == 2 * GLANCER_P, "factory layout");
GLANCER_STATIC_ASSERT(sizeof(CoreServices) == GLANCER_P, "CoreServices holds only its table");
GLANCER_STATIC_ASSERT(sizeof(CoreServicesVtbl) == 24 * GLANCER_P, "24 service slots");
GLANCER_STATIC_ASSERT(offsetof(CoreServicesVtbl, ClearFlag) == 23 * GLANCER_P, "service slot order");
GLANCER_STATIC_ASSERT(sizeof(IModuleVtbl) == 2 * GLANCER_P, "IModule slots");
GLANCER_STATIC_ASSERT(sizeof(IComponentFactoryVtbl) == GLANCER_P, "factory slots");
GLANCER_STATIC_ASSERT(sizeof(IPluginVtbl) == 10 * GLANCER_P, "IPlugin slots");
GLANCER_STATIC_ASSERT(sizeof(IDisplayDriverVtbl) == 10 * GLANCER_P, "IDisplayDriver slots");
GLANCER_STATIC_ASSERT(offsetof(IDisplayDriverVtbl, updateRegion) == 8 * GLANCER_P, "IDisplayDriver slot order");
GLANCER_STATIC_ASSERT(sizeof(IDataVtbl) == 14 * GLANCER_P, "IData slots");
GLANCER_STATIC_ASSERT(offsetof(IDataVtbl, getName) == 13 * GLANCER_P, "IData slot order");
GLANCER_STATIC_ASSERT(sizeof(IUserInterfaceVtbl) == 2 * GLANCER_P, "IUserInterface slots");
#undef GLANCER_P

#endif /* GLANCER_PLUGIN_H */
