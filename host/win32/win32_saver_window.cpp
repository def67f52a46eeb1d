// The saver window: class registration, the full-screen or preview window, the password verifier
// of the Windows 95 family, the message loop, and saver_window_proc, the first procedure of the
// chain saver_window_proc -> animation_proc -> saver_default_proc.
#include "host/win32/win32_host.h"
#include "host/win32/win32_seams.h"

const char SAVER_CLASS_NAME[] = "WindowsScreenSaverClass";
const char FULL_SCREEN_TITLE[] = "Screen Saver";
const char PREVIEW_TITLE[] = "Preview";

HWND saver_hwnd;
std::int32_t preview_mode;
UINT autoplay_cancel_msg;
HMODULE password_module;
VerifyPasswordFn verify_password_fn;
HMODULE ime_module;
AssociateContextFn associate_context_fn;
HANDLE saved_input_context;

void set_saver_running(std::int32_t running)
{
    if (platform_is_9x == 0)
        return;
    UINT previous = 0;
    host_platform.systemParametersInfo(SPI_SETSCREENSAVERRUNNING, static_cast<UINT>(running),
                                       &previous, 0);
}

void unload_password_verifier()
{
    if (platform_is_9x == 0 || password_module == nullptr)
        return;
    FreeLibrary(password_module);
    password_module = nullptr;
    if (verify_password_fn != nullptr) {
        verify_password_fn = nullptr;
        set_saver_running(0);
    }
}

void load_password_verifier()
{
    if (platform_is_9x == 0)
        return;
    if (password_module != nullptr)
        unload_password_verifier();
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS)
        return;
    DWORD usePassword = 0; // a shorter value fills the low bytes only
    DWORD size = sizeof usePassword;
    if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&usePassword), &size) == ERROR_SUCCESS &&
        usePassword != 0) {
        password_module = LoadLibraryA("PASSWORD.CPL");
        if (password_module != nullptr) {
            verify_password_fn = find_entry_point<VerifyPasswordFn>(password_module, "VerifyScreenSavePwd");
            if (verify_password_fn != nullptr)
                set_saver_running(1);
            else
                unload_password_verifier();
        }
    }
    RegCloseKey(key);
}

int run_saver_window(HWND parent)
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = saver_window_proc;
    windowClass.hInstance = module_instance;
    windowClass.hIcon = LoadIconA(module_instance, MAKEINTRESOURCEA(SAVER_ICON_ID));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = SAVER_CLASS_NAME;

    RECT area{};
    DWORD exStyle;
    DWORD style;
    const char* title;
    int x = 0;
    int y = 0;
    int width;
    int height;
    if (parent != nullptr) {
        GetClientRect(parent, &area);
        width = area.right;
        height = area.bottom;
        preview_mode = 1;
        title = PREVIEW_TITLE;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        exStyle = 0;
    } else {
        HDC screen = GetDC(nullptr);
        GetClipBox(screen, &area);
        ReleaseDC(nullptr, screen);
        x = area.left;
        y = area.top;
        width = area.right - area.left;
        height = area.bottom - area.top;
        title = FULL_SCREEN_TITLE;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle = WS_EX_TOPMOST;

        HWND running = FindWindowA(SAVER_CLASS_NAME, FULL_SCREEN_TITLE);
        if (running != nullptr && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        load_password_verifier();
    }

    autoplay_cancel_msg = platform_is_9x != 0 ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    if (RegisterClassA(&windowClass) != 0)
        saver_hwnd = CreateWindowExA(exStyle, SAVER_CLASS_NAME, title, style, x, y, width, height,
                                     parent, nullptr, module_instance, nullptr);

    // Without a window there is no loop and no quit request: that is a failure, not a run.
    int exitCode = -1;
    if (saver_hwnd != nullptr) {
        if (preview_mode == 0)
            SetForegroundWindow(saver_hwnd);
        MSG message{};
        // GetMessageA answers 0 for the quit request and -1 on an error; either ends the loop, but
        // only the quit request carries an exit code (after an error the record is left stale).
        BOOL got;
        while ((got = host_platform.getMessage(&message, nullptr, 0, 0)) != 0 && got != -1) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (got == 0)
            exitCode = static_cast<int>(message.wParam);
    }
    unload_password_verifier();
    return exitCode;
}

static void hide_cursor()
{
    host_platform.setCursor(nullptr);
}

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        ime_module = GetModuleHandleA("IMM32.DLL");
        if (ime_module != nullptr) {
            associate_context_fn = find_entry_point<AssociateContextFn>(ime_module, "ImmAssociateContext");
            if (associate_context_fn != nullptr)
                saved_input_context = associate_context_fn(window, nullptr);
        }
        host_platform.getCursorPos(&last_cursor_pos);
        if (preview_mode == 0)
            hide_cursor();
        break;
    case WM_DESTROY:
        if (ime_module != nullptr && associate_context_fn != nullptr &&
            saved_input_context != nullptr)
            associate_context_fn(window, saved_input_context);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (close_confirmed != 0)
            return host_platform.defWindowProc(window, message, wParam, lParam);
        if (preview_mode == 0)
            hide_cursor();
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (preview_mode != 0) {
            HWND parent = GetParent(window);
            if (parent != nullptr && IsWindow(parent))
                PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
            return 1;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (close_confirmed != 0)
            return host_platform.defWindowProc(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (preview_mode == 0 &&
            (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE))
            return 0;
        break;
    case WM_TIMER:
        if (close_confirmed != 0)
            return 0;
        Sleep(0);
        break;
    default:
        break;
    }
    return animation_proc(window, message, wParam, lParam);
}
