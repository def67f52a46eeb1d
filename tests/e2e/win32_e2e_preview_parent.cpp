// End-to-end helper: plays the display settings' part. Makes a window, starts a program with a
// command line that names that window, watches the child window that appears in it, and after a
// while destroys its own window and prints the program's exit code.
// E2E_PROGRAM: the program's Windows path; E2E_ARGS: the arguments, where {hwnd} becomes the
// window's handle in decimal and {hwnd_wrapped} that handle plus 2^32; E2E_HOLD_MS: how long the
// window lives (default 4000; it goes earlier if the program ends); E2E_CHILD_HOLD_MS: if set, the
// window goes that long after the child turns visible instead; E2E_POKE=1: post input messages to the
// child once it exists; E2E_EXIT_WAIT_MS: how long to wait for the exit (default 15000).
#include <cstdio>
#include <cstdlib>

#include "win32_e2e_common.h"

namespace {

LRESULT CALLBACK parent_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

std::string replace_all(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

void pump_messages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Prints what the child window looks like: its title, whether it is a child, and its size
// beside the parent's client size.
void describe_child(HWND parent, HWND child)
{
    char title[256] = "";
    GetWindowTextA(child, title, sizeof title);
    RECT childRect{};
    RECT parentRect{};
    GetClientRect(child, &childRect);
    GetClientRect(parent, &parentRect);
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    printf("child=%llu title=%s child_style=%d visible=%d size=%ldx%ld parent_client=%ldx%ld\n",
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(child)), title,
           (style & WS_CHILD) ? 1 : 0, (style & WS_VISIBLE) ? 1 : 0, childRect.right,
           childRect.bottom, parentRect.right, parentRect.bottom);
    fflush(stdout);
}

// Input that would end a full-screen saver: a key, each button, and a long cursor move.
void poke_child(HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    SetCursorPos(rect.left + 5, rect.top + 5);
    SetCursorPos(rect.right - 5, rect.bottom - 5);
    PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    PostMessageA(child, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(child, WM_KEYUP, VK_SPACE, 1);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    PostMessageA(child, WM_ACTIVATEAPP, FALSE, 0);
    printf("poked=1\n");
    fflush(stdout);
}

}  // namespace

int main()
{
    const std::string program = env_text("E2E_PROGRAM");
    if (program.empty()) {
        fprintf(stderr, "e2e_preview_parent: E2E_PROGRAM is not set\n");
        return 2;
    }
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = parent_proc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "LatticeDriftTestParent";
    RegisterClassA(&windowClass);
    const HWND parent = CreateWindowExA(0, windowClass.lpszClassName, "Preview parent",
                                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 360, 280, nullptr,
                                        nullptr, instance, nullptr);
    if (parent == nullptr) {
        printf("parent_failed=%lu\n", GetLastError());
        return 3;
    }
    pump_messages();

    const unsigned long long handle = reinterpret_cast<UINT_PTR>(parent);
    std::string args = env_text("E2E_ARGS", "/p {hwnd}");
    args = replace_all(args, "{hwnd_wrapped}", std::to_string(handle + 4294967296ULL));
    args = replace_all(args, "{hwnd}", std::to_string(handle));
    printf("parent=%llu\nargs=%s\n", handle, args.c_str());
    fflush(stdout);

    PROCESS_INFORMATION process{};
    if (!start_process(program, "\"" + program + "\" " + args, process)) {
        printf("start_failed=%lu\n", GetLastError());
        return 3;
    }
    const DWORD holdMs = static_cast<DWORD>(env_number("E2E_HOLD_MS", 4000));
    const DWORD childHoldMs = static_cast<DWORD>(env_number("E2E_CHILD_HOLD_MS", 0));
    const bool poke = env_number("E2E_POKE", 0) != 0;
    const DWORD started = GetTickCount();
    HWND child = nullptr;
    bool childShown = false;
    DWORD childSeenAt = 0;
    bool described = false;
    bool poked = false;
    bool ended = false;
    while (GetTickCount() - started < holdMs) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20, QS_ALLINPUT);
        pump_messages();
        if (wait == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (child == nullptr) {
            child = FindWindowExA(parent, nullptr, "WindowsScreenSaverClass", nullptr);
        } else if (!childShown) {
            // The child is found while still in its creation, which sets up OpenGL and took over
            // half a second on a busy machine; it turns visible at the end. The clocks start then.
            childShown = IsWindowVisible(child) != 0;
            childSeenAt = GetTickCount();
        } else if (childHoldMs != 0 && GetTickCount() - childSeenAt >= childHoldMs) {
            describe_child(parent, child);
            described = true;
            break;
        } else if (!described && GetTickCount() - childSeenAt > 500) {
            describe_child(parent, child);
            described = true;
        } else if (described && poke && !poked) {
            poke_child(child);
            poked = true;
        }
    }
    if (!described)
        printf("child=none\n");
    printf("alive_at_destroy=%d\n", ended ? 0 : 1);
    fflush(stdout);
    DestroyWindow(parent);
    pump_messages();
    const bool endedInTime = report_exit(process, static_cast<DWORD>(env_number("E2E_EXIT_WAIT_MS", 15000)));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return endedInTime ? 0 : 4;
}
