// The Windows saver host: its process-wide state and operations, shared by the entry and modes
// (win32_entry.cpp), the saver window (win32_saver_window.cpp), the close rules
// (win32_saver_close.cpp) and the animation window with its WGL surface (wgl_animation.cpp).
#ifndef LATTICEDRIFT_HOST_WIN32_HOST_H
#define LATTICEDRIFT_HOST_WIN32_HOST_H

#include "host/win32/win32_rules.h"

#include <windows.h>

#include <cstdint>

constexpr int CONFIG_DIALOG_ID = 2003;
constexpr int SAVER_ICON_ID = 100;
constexpr UINT_PTR FRAME_TIMER_ID = 1;
constexpr UINT MSG_VERIFY_PASSWORD = 0x8000; // WM_APP
constexpr WPARAM POWER_CRITICAL_RESUME = 3;  // PWR_CRITICALRESUME of WM_POWER
constexpr DWORD VERSION_RECORD_SIZE = 148;   // the ANSI version record

extern const char SAVER_CLASS_NAME[];        // "WindowsScreenSaverClass"
extern const char FULL_SCREEN_TITLE[];       // "Screen Saver"
extern const char PREVIEW_TITLE[];           // "Preview"

using VerifyPasswordFn = BOOL(WINAPI*)(HWND window);
using AssociateContextFn = HANDLE(WINAPI*)(HWND window, HANDLE inputContext);
using ChangePasswordFn = DWORD(WINAPI*)(LPCSTR provider, HWND owner, DWORD reserved1,
                                        LPVOID reserved2);

// An entry point of a loaded module as the function type it is known to have, or null.
template <typename Fn>
Fn find_entry_point(HMODULE module, const char* name)
{
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Start-up and modes.
extern HINSTANCE module_instance;
extern std::int32_t platform_is_9x;

[[noreturn]] void saver_entry();
int saver_main(HINSTANCE instance, const char* arguments);
HWND parse_window_handle(const char* text);
int run_preview(const char* text);
int show_config_dialog(HWND owner);
int prepare_config_dialog(HINSTANCE instance);
INT_PTR CALLBACK config_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int change_password(const char* text);

// The saver window and its loop.
extern HWND saver_hwnd;
extern std::int32_t preview_mode;
extern UINT autoplay_cancel_msg;
extern HMODULE password_module;
extern VerifyPasswordFn verify_password_fn;
extern HMODULE ime_module;
extern AssociateContextFn associate_context_fn;
extern HANDLE saved_input_context;

int run_saver_window(HWND parent);
LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void load_password_verifier();
void unload_password_verifier();
void set_saver_running(std::int32_t running);

// Ending the saver.
extern std::int32_t close_confirmed;
extern std::int32_t password_check_active;
extern POINT last_cursor_pos;
extern std::uint32_t last_password_check_ms;

LRESULT CALLBACK saver_default_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::int32_t verify_on_close(HWND window);

// The animation window and its GL surface.
extern const PIXELFORMATDESCRIPTOR surface_pixel_format;
extern RECT client_rect;
extern HDC surface_dc;
extern HGLRC render_context;

LRESULT CALLBACK animation_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL create_gl_surface(HWND window, HDC* deviceContext, HGLRC* renderContext);
BOOL release_gl_surface(HWND window, HDC deviceContext, HGLRC renderContext);

#endif
