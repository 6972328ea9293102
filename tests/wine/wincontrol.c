/* wincontrol: drives glancer.exe's windows from outside, for the end-to-end
 * tests under Wine. Reads one tab-separated command per input line and
 * answers with "key=value" lines and a closing "end=<0 ok, 1 failed, 2 bad
 * usage>", so a test pays Wine's start-up cost only once. Waiting and
 * searching by text are left to the Python harness. Window handles are
 * printed and taken as hexadecimal. */
#include <windows.h>

#include <shellapi.h> /* needs windows.h first */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct Search {
    const char* className;
    const char* title; /* NULL: any, hidden windows too */
} Search;

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

static BOOL CALLBACK PrintMatch(HWND window, LPARAM data)
{
    const Search* search = (const Search*)data;
    char text[256] = "";
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, text, sizeof text);
    if (strcmp(className, search->className) == 0 &&
        (search->title == NULL || (IsWindowVisible(window) && strcmp(text, search->title) == 0)))
        printf("hwnd=%llx icon=%d\n", (unsigned long long)(uintptr_t)window, TrayIcon(window, NIM_MODIFY));
    return TRUE;
}

static HWND ParseWindow(const char* text)
{
    return (HWND)(uintptr_t)strtoull(text, NULL, 16);
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

static int IsCombo(HWND control)
{
    char className[64] = "";
    GetClassNameA(control, className, sizeof className);
    return _stricmp(className, "ComboBox") == 0;
}

/* One line per control, with its height in pixels; line breaks in texts
 * become spaces. */
static BOOL CALLBACK PrintControl(HWND control, LPARAM unused)
{
    char className[64] = "";
    char text[256] = "";
    (void)unused;
    GetClassNameA(control, className, sizeof className);
    GetWindowTextA(control, text, sizeof text);
    if (_stricmp(className, "Edit") == 0) {
        /* An edit control keeps its text itself: ask it, across processes in UTF-16. */
        WCHAR wide[256] = L"";
        SendMessageW(control, WM_GETTEXT, 256, (LPARAM)wide);
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
        text[sizeof text - 1] = '\0';
    }
    for (char* c = text; *c != '\0'; ++c)
        *c = *c == '\r' || *c == '\n' ? ' ' : *c;
    RECT box = {0, 0, 0, 0};
    GetWindowRect(control, &box);
    printf("control id=%d class=%s height=%ld text=%s", GetDlgCtrlID(control), className, (long)(box.bottom - box.top),
           text);
    int isCombo = IsCombo(control);
    if (isCombo || _stricmp(className, "ListBox") == 0) {
        LRESULT count = SendMessageA(control, isCombo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        printf(" sel=%ld items=", (long)SendMessageA(control, isCombo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
        for (LRESULT i = 0; i < count; ++i) {
            char item[1024];
            ItemText(control, isCombo, i, item, sizeof item);
            printf("%s%s", i ? "|" : "", item);
        }
    }
    printf("\n");
    return TRUE;
}

static int Run(int argc, char** argv)
{
    const char* command = argv[0];
    HWND window = argc > 1 ? ParseWindow(argv[1]) : NULL;
    if (strcmp(command, "find") == 0 && (argc == 2 || argc == 3)) {
        Search search = {argv[1], argc == 3 ? argv[2] : NULL};
        EnumWindows(PrintMatch, (LPARAM)&search);
        return 0;
    }
    if (strcmp(command, "alive") == 0 && argc == 2)
        return printf("alive=%d\n", IsWindow(window) ? 1 : 0), 0;
    if (strcmp(command, "drop-icon") == 0 && argc == 2)
        return TrayIcon(window, NIM_DELETE) ? 0 : 1;
    if (strcmp(command, "post") == 0 && argc == 5) {
        /* A message given by name is a registered one, such as "TaskbarCreated". */
        UINT message = argv[2][0] >= '0' && argv[2][0] <= '9' ? (UINT)atoi(argv[2]) : RegisterWindowMessageA(argv[2]);
        return PostMessageA(window, message, (WPARAM)atoll(argv[3]), (LPARAM)atoll(argv[4])) ? 0 : 1;
    }
    if (strcmp(command, "click") == 0 && argc == 3) {
        HWND button = GetDlgItem(window, atoi(argv[2]));
        return button != NULL && PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (strcmp(command, "controls") == 0 && argc == 2)
        return EnumChildWindows(window, PrintControl, 0), 0;
    if (strcmp(command, "select") == 0 && argc == 4) {
        HWND control = GetDlgItem(window, atoi(argv[2]));
        SendMessageA(control, IsCombo(control) ? CB_SETCURSEL : LB_SETCURSEL, (WPARAM)atoi(argv[3]), 0);
        return 0;
    }
    if (strcmp(command, "rect") == 0 && argc == 2) {
        /* The client area in screen coordinates, and the window's corner. */
        RECT client, frame;
        POINT corner = {0, 0};
        if (!GetClientRect(window, &client) || !GetWindowRect(window, &frame) || !ClientToScreen(window, &corner))
            return 1;
        printf("left=%ld\ntop=%ld\nwidth=%ld\nheight=%ld\nwindow_left=%ld\nwindow_top=%ld\niconic=%d\n",
               (long)corner.x, (long)corner.y, (long)client.right, (long)client.bottom, (long)frame.left,
               (long)frame.top, IsIconic(window) ? 1 : 0);
        return 0;
    }
    if (strcmp(command, "settext") == 0 && argc == 4) {
        WCHAR text[1024];
        if (MultiByteToWideChar(CP_ACP, 0, argv[3], -1, text, 1024) == 0)
            return 1;
        return SetDlgItemTextW(window, atoi(argv[2]), text) ? 0 : 1;
    }
    if (strcmp(command, "move") == 0 && argc == 4)
        return SetWindowPos(window, NULL, atoi(argv[2]), atoi(argv[3]), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
    fprintf(stderr, "usage: find CLASS [TITLE] | alive HWND | drop-icon HWND | post HWND MSG WPARAM LPARAM |\n"
                    "  click HWND ID | controls HWND | select HWND ID INDEX | settext HWND ID TEXT | rect HWND |\n"
                    "  move HWND X Y\n");
    return 2;
}

int main(void)
{
    static char line[4096];
    while (fgets(line, sizeof line, stdin) != NULL) {
        char* args[16];
        int count = 0;
        line[strcspn(line, "\r\n")] = '\0';
        for (char* field = line; field != NULL && count < 16;) {
            char* tab = strchr(field, '\t');
            if (tab != NULL)
                *tab++ = '\0';
            args[count++] = field; /* empty fields count: an empty title is a title */
            field = tab;
        }
        printf("end=%d\n", Run(count, args));
        fflush(stdout);
    }
    return 0;
}
