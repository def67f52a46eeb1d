// Process entry and mode dispatch of the Windows saver: configure, full-screen, preview and
// change-password, each run inside the fault guard; the process ends with the mode's exit code.
#include "host/win32/win32_rules.h"
#include "host/win32/win32_fault_guard.h"
#include "host/win32/win32_host.h"
#include "host/win32/win32_seams.h"

HINSTANCE module_instance;
std::int32_t platform_is_9x;

static const char* next_char_platform(const char* position)
{
    return CharNextA(position);
}

void saver_entry()
{
    const char* arguments = find_argument_text(GetCommandLineA(), next_char_platform);
    // ExitProcess: the runtime's exit handlers and static destructors are not run.
    ExitProcess(static_cast<UINT>(saver_main(GetModuleHandleA(nullptr), arguments)));
}

HWND parse_window_handle(const char* text)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(parse_handle_value(text)));
}

// The given owner if it names a window, else the window that has the user's attention.
static HWND owner_or_foreground(HWND owner)
{
    if (owner == nullptr || !IsWindow(owner))
        return GetForegroundWindow();
    return owner;
}

static int dispatch_mode(const char* arguments)
{
    const ModeRequest request = scan_mode(arguments);
    switch (request.mode) {
    case SaverMode::ConfigureUnowned:
        return show_config_dialog(nullptr);
    case SaverMode::Configure: {
        HWND owner = request.rest[0] == ':' ? parse_window_handle(request.rest + 1) : nullptr;
        return show_config_dialog(owner_or_foreground(owner));
    }
    case SaverMode::FullScreen:
        return run_saver_window(nullptr);
    case SaverMode::Preview:
        return run_preview(request.rest);
    case SaverMode::ChangePassword:
        return platform_is_9x != 0 ? change_password(request.rest) : -1;
    case SaverMode::Unknown:
        break;
    }
    return -1;
}

int saver_main(HINSTANCE instance, const char* arguments)
{
    module_instance = instance;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = VERSION_RECORD_SIZE;
    platform_is_9x = host_platform.getVersionEx(&version) &&
                     version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;

    int result = 0;
    if (!run_in_fault_guard(dispatch_mode, arguments, &result))
        set_saver_running(0); // the guard's handler ran; result is the fault's code
    return result;
}

int run_preview(const char* text)
{
    HWND parent = parse_window_handle(text);
    if (parent == nullptr || !IsWindow(parent))
        return -1;
    return run_saver_window(parent);
}

int prepare_config_dialog(HINSTANCE)
{
    return 1;
}

int show_config_dialog(HWND owner)
{
    if (prepare_config_dialog(module_instance) == 0)
        return 0;
    return static_cast<int>(DialogBoxParamA(module_instance, MAKEINTRESOURCEA(CONFIG_DIALOG_ID),
                                            owner, config_dialog_proc, 0));
}

INT_PTR CALLBACK config_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND) {
        const WORD control = LOWORD(wParam);
        if (control == IDOK || control == IDCANCEL) {
            EndDialog(dialog, control == IDOK ? 1 : 0);
            return 1;
        }
    }
    return 0;
}

int change_password(const char* text)
{
    HWND owner = owner_or_foreground(parse_window_handle(text));
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (mpr == nullptr)
        return 0;
    auto service =
        find_entry_point<ChangePasswordFn>(mpr, "PwdChangePasswordA");
    if (service != nullptr)
        service("SCRSAVE", owner, 0, nullptr);
    FreeLibrary(mpr);
    return 0;
}
