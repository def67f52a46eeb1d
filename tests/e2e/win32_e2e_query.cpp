// End-to-end helper: looks at the running system from inside Wine's window manager.
//   saver          the full-screen saver windows: count, class, title, styles, size, foreground
//   dialog         the configuration dialog: title and owner
//   dialog-press N presses button N (1 OK, 2 Cancel) of the configuration dialog
//   foreground     the foreground window's handle
// Prints key=value lines; exits 1 when what was asked for is not there.
#include <cstdio>
#include <cstring>

#include "win32_e2e_common.h"

namespace {

struct SaverSearch {
    int count = 0;
    HWND first = nullptr;
};

BOOL CALLBACK count_savers(HWND window, LPARAM data)
{
    char className[256] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "WindowsScreenSaverClass") == 0) {
        auto* search = reinterpret_cast<SaverSearch*>(data);
        if (search->count++ == 0)
            search->first = window;
    }
    return TRUE;
}

unsigned long long handle_number(HWND window)
{
    return reinterpret_cast<UINT_PTR>(window);
}

int describe_saver()
{
    SaverSearch search;
    EnumWindows(count_savers, reinterpret_cast<LPARAM>(&search));
    const HWND found = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
    printf("saver_windows=%d\n", search.count);
    printf("found=%llu\n", handle_number(found));
    if (found == nullptr)
        return 1;
    char title[256] = "";
    GetWindowTextA(found, title, sizeof title);
    const LONG_PTR style = GetWindowLongPtrA(found, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrA(found, GWL_EXSTYLE);
    RECT rect{};
    GetWindowRect(found, &rect);
    printf("title=%s\n", title);
    printf("topmost=%d\n", (exStyle & WS_EX_TOPMOST) ? 1 : 0);
    printf("popup=%d\nvisible=%d\nchild=%d\n", (style & WS_POPUP) ? 1 : 0,
           (style & WS_VISIBLE) ? 1 : 0, (style & WS_CHILD) ? 1 : 0);
    printf("rect=%ld,%ld,%ld,%ld\n", rect.left, rect.top, rect.right, rect.bottom);
    printf("screen=%dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    printf("foreground=%d\n", GetForegroundWindow() == found ? 1 : 0);
    RECT box{};
    GetWindowRect(found, &box);
    printf("center=%ld %ld\n", (box.left + box.right) / 2, (box.top + box.bottom) / 2);
    return 0;
}

BOOL CALLBACK find_dialog(HWND window, LPARAM data)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
    }
    return TRUE;
}

int dialog(const char* press)
{
    HWND found = nullptr;
    EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&found));
    printf("dialog=%llu\n", handle_number(found));
    if (found == nullptr)
        return 1;
    char title[256] = "";
    GetWindowTextA(found, title, sizeof title);
    printf("title=%s\nowner=%llu\n", title, handle_number(GetWindow(found, GW_OWNER)));
    printf("has_ok=%d\nhas_cancel=%d\n", GetDlgItem(found, IDOK) ? 1 : 0,
           GetDlgItem(found, IDCANCEL) ? 1 : 0);
    printf("foreground=%d\n", GetForegroundWindow() == found ? 1 : 0);
    RECT box{};
    GetWindowRect(found, &box);
    printf("center=%ld %ld\n", (box.left + box.right) / 2, (box.top + box.bottom) / 2);
    if (press != nullptr) {
        const int id = atoi(press);
        const HWND button = GetDlgItem(found, id);
        // A click on the button, delivered through the dialog's own queue.
        PostMessageA(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        printf("pressed=%d\n", id);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* command = argc > 1 ? argv[1] : "saver";
    int result = 1;
    if (strcmp(command, "saver") == 0)
        result = describe_saver();
    else if (strcmp(command, "dialog") == 0)
        result = dialog(nullptr);
    else if (strcmp(command, "dialog-press") == 0 && argc > 2)
        result = dialog(argv[2]);
    else if (strcmp(command, "foreground") == 0) {
        printf("foreground=%llu\n", handle_number(GetForegroundWindow()));
        result = 0;
    } else
        fprintf(stderr, "e2e_query: unknown command %s\n", command);
    fflush(stdout);
    return result;
}
