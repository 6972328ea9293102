/* wincontrol: drives glancer.exe's windows from outside, for the end-to-end
 * tests under Wine. One command per run; results go to stdout as
 * "key=value" lines; exit code 0 on success, 1 on failure or timeout, 2 on
 * bad usage. Window handles are printed and taken as hexadecimal. */
#include <windows.h>

#include <shellapi.h> /* needs windows.h first */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct Search {
    const char* title; /* NULL: any */
    const char* className;
    HWND found[16];
    int count;
} Search;

static BOOL CALLBACK Collect(HWND window, LPARAM data)
{
    Search* search = (Search*)data;
    char text[256] = "";
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, search->className) != 0)
        return TRUE;
    if (search->title != NULL) {
        if (!IsWindowVisible(window))
            return TRUE;
        GetWindowTextA(window, text, sizeof text);
        if (strcmp(text, search->title) != 0)
            return TRUE;
    }
    if (search->count < 16)
        search->found[search->count++] = window;
    return TRUE;
}

static int Find(Search* search, const char* className, const char* title)
{
    search->title = title;
    search->className = className;
    search->count = 0;
    EnumWindows(Collect, (LPARAM)search);
    return search->count;
}

static HWND ParseWindow(const char* text)
{
    return (HWND)(uintptr_t)strtoull(text, NULL, 16);
}

/* NIM_MODIFY changing nothing succeeds only for an icon that exists;
 * NIM_DELETE plays a shell that lost its icons. */
static int TrayIcon(HWND window, DWORD message)
{
    NOTIFYICONDATAA data;
    memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = 103;
    return Shell_NotifyIconA(message, &data) ? 1 : 0;
}

static int TrayIconExists(HWND window)
{
    return TrayIcon(window, NIM_MODIFY);
}

/* Waits up to `timeoutMs` for a window of the class (and title); prints it. */
static int WaitWindow(const char* className, const char* title, int timeoutMs)
{
    Search search;
    for (int waited = 0;; waited += 50) {
        if (Find(&search, className, title) > 0) {
            printf("hwnd=%llx\n", (unsigned long long)(uintptr_t)search.found[0]);
            return 0;
        }
        if (waited >= timeoutMs)
            return 1;
        Sleep(50);
    }
}

static int WaitGone(HWND window, int timeoutMs)
{
    for (int waited = 0; IsWindow(window); waited += 50) {
        if (waited >= timeoutMs)
            return 1;
        Sleep(50);
    }
    return 0;
}

/* An entry's text, read as UTF-16 (the ANSI messages lose all but the first
 * character across processes under Wine) and given back as ANSI. */
static void ItemText(HWND control, int isCombo, LRESULT index, char* out, int size)
{
    WCHAR text[1024] = L"";
    out[0] = '\0';
    if (SendMessageW(control, isCombo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, (WPARAM)index, 0) >= 1024)
        return;
    SendMessageW(control, isCombo ? CB_GETLBTEXT : LB_GETTEXT, (WPARAM)index, (LPARAM)text);
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, size, NULL, NULL);
    out[size - 1] = '\0';
}

static void PrintItems(HWND control, int isCombo)
{
    UINT countMessage = isCombo ? CB_GETCOUNT : LB_GETCOUNT;
    LRESULT count = SendMessageA(control, countMessage, 0, 0);
    printf(" sel=%ld items=", (long)SendMessageA(control, isCombo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
    for (LRESULT i = 0; i < count; ++i) {
        char text[1024];
        ItemText(control, isCombo, i, text, sizeof text);
        printf("%s%s", i ? "|" : "", text);
    }
}

static BOOL CALLBACK PrintControl(HWND control, LPARAM unused)
{
    char className[64] = "";
    char text[256] = "";
    (void)unused;
    GetClassNameA(control, className, sizeof className);
    GetWindowTextA(control, text, sizeof text);
    printf("control id=%d class=%s text=%s", GetDlgCtrlID(control), className, text);
    if (_stricmp(className, "ComboBox") == 0)
        PrintItems(control, 1);
    else if (_stricmp(className, "ListBox") == 0)
        PrintItems(control, 0);
    printf("\n");
    return TRUE;
}

static BOOL CALLBACK FindStaticText(HWND control, LPARAM data)
{
    char className[64] = "";
    char* text = (char*)data;
    GetClassNameA(control, className, sizeof className);
    if (_stricmp(className, "Static") == 0 && text[0] == '\0')
        GetWindowTextA(control, text, 512);
    return text[0] == '\0';
}

static int Select(HWND dialog, int id, const char* wanted, int byText)
{
    HWND control = GetDlgItem(dialog, id);
    char className[64] = "";
    GetClassNameA(control, className, sizeof className);
    int isCombo = _stricmp(className, "ComboBox") == 0;
    LRESULT index = byText ? -1 : atoi(wanted);
    if (byText) {
        LRESULT count = SendMessageA(control, isCombo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count && index < 0; ++i) {
            char text[1024];
            ItemText(control, isCombo, i, text, sizeof text);
            if (strcmp(text, wanted) == 0)
                index = i;
        }
        if (index < 0)
            return 1;
    }
    SendMessageA(control, isCombo ? CB_SETCURSEL : LB_SETCURSEL, (WPARAM)index, 0);
    return 0;
}

static int Usage(void)
{
    fprintf(stderr, "usage: wincontrol list | icon HWND | drop-icon HWND | taskbar-created HWND | post HWND MSG WPARAM "
                    "LPARAM | command HWND ID |\n"
                    "  wait-window CLASS TITLE MS | wait-gone HWND MS | count CLASS TITLE | controls HWND |\n"
                    "  select HWND ID INDEX | select-text HWND ID TEXT | click HWND ID | text HWND |\n"
                    "  key HWND VK | serve\n");
    return 2;
}

static int Run(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const char* command = argv[1];
    Search search;
    if (strcmp(command, "list") == 0 && argc == 2) {
        Find(&search, "GlancerWindowClass", NULL);
        for (int i = 0; i < search.count; ++i)
            printf("hwnd=%llx icon=%d\n", (unsigned long long)(uintptr_t)search.found[i],
                   TrayIconExists(search.found[i]));
        return 0;
    }
    if (strcmp(command, "icon") == 0 && argc == 3) {
        printf("icon=%d\n", TrayIconExists(ParseWindow(argv[2])));
        return 0;
    }
    if (strcmp(command, "drop-icon") == 0 && argc == 3)
        return TrayIcon(ParseWindow(argv[2]), NIM_DELETE) ? 0 : 1;
    if (strcmp(command, "taskbar-created") == 0 && argc == 3)
        return PostMessageA(ParseWindow(argv[2]), RegisterWindowMessageA("TaskbarCreated"), 0, 0) ? 0 : 1;
    if (strcmp(command, "post") == 0 && argc == 6)
        return PostMessageA(ParseWindow(argv[2]), (UINT)atoi(argv[3]), (WPARAM)atoll(argv[4]), (LPARAM)atoll(argv[5]))
                   ? 0
                   : 1;
    if (strcmp(command, "command") == 0 && argc == 4)
        return PostMessageA(ParseWindow(argv[2]), WM_COMMAND, (WPARAM)atoi(argv[3]), 0) ? 0 : 1;
    if (strcmp(command, "wait-window") == 0 && argc == 5)
        return WaitWindow(argv[2], argv[3], atoi(argv[4]));
    if (strcmp(command, "wait-gone") == 0 && argc == 4)
        return WaitGone(ParseWindow(argv[2]), atoi(argv[3]));
    if (strcmp(command, "count") == 0 && argc == 4) {
        printf("count=%d\n", Find(&search, argv[2], argv[3]));
        return 0;
    }
    if (strcmp(command, "controls") == 0 && argc == 3)
        return EnumChildWindows(ParseWindow(argv[2]), PrintControl, 0), 0;
    if (strcmp(command, "select") == 0 && argc == 5)
        return Select(ParseWindow(argv[2]), atoi(argv[3]), argv[4], 0);
    if (strcmp(command, "select-text") == 0 && argc == 5)
        return Select(ParseWindow(argv[2]), atoi(argv[3]), argv[4], 1);
    if (strcmp(command, "click") == 0 && argc == 4) {
        HWND button = GetDlgItem(ParseWindow(argv[2]), atoi(argv[3]));
        return button != NULL && PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (strcmp(command, "text") == 0 && argc == 3) {
        char text[512] = "";
        EnumChildWindows(ParseWindow(argv[2]), FindStaticText, (LPARAM)text);
        printf("text=%s\n", text);
        return 0;
    }
    if (strcmp(command, "key") == 0 && argc == 4) {
        HWND window = ParseWindow(argv[2]);
        WPARAM key = (WPARAM)atoi(argv[3]);
        return PostMessageA(window, WM_KEYDOWN, key, 1) && PostMessageA(window, WM_KEYUP, key, 0xC0000001) ? 0 : 1;
    }
    return Usage();
}

/* "serve": runs one tab-separated command per input line, each answer ending
 * with "end=<exit code>", so a test pays Wine's start-up cost only once. */
static int Serve(void)
{
    static char line[4096];
    while (fgets(line, sizeof line, stdin) != NULL) {
        char* args[16] = {"wincontrol"};
        int count = 1;
        line[strcspn(line, "\r\n")] = '\0';
        for (char* field = line; field != NULL && count < 16;) {
            char* tab = strchr(field, '\t');
            if (tab != NULL)
                *tab++ = '\0';
            args[count++] = field; /* empty fields count: an empty title is a title */
            field = tab;
        }
        int code = Run(count, args);
        printf("end=%d\n", code);
        fflush(stdout);
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "serve") == 0)
        return Serve();
    return Run(argc, argv);
}
