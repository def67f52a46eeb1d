// Ending the saver: saver_default_proc, the last procedure of the chain, turns qualifying input
// into close requests and, on the Windows 95 family with a password set, lets a close go ahead only
// once the system's verifier accepts it (verify_on_close).
#include "host/win32/win32_rules.h"
#include "host/win32/win32_host.h"
#include "host/win32/win32_seams.h"

std::int32_t close_confirmed;
std::int32_t password_check_active;
POINT last_cursor_pos;
std::uint32_t last_password_check_ms = NO_PASSWORD_CHECK;

static void post_close_request(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static void hide_cursor()
{
    host_platform.setCursor(nullptr);
}

// The input rules; true when the message is answered here (the answer in *result).
static bool apply_input_rules(HWND window, UINT message, WPARAM wParam, LRESULT* result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != 0)
            hide_cursor();
        break;
    case WM_ACTIVATEAPP:
        if (wParam == 0)
            post_close_request(window);
        break;
    case WM_SETCURSOR:
        hide_cursor();
        *result = 1;
        return true;
    case WM_POWER:
        if (wParam == POWER_CRITICAL_RESUME)
            post_close_request(window);
        break;
    case WM_MOUSEMOVE: {
        // The cursor's position, not the message's coordinates; a failed read counts as no move.
        POINT position = last_cursor_pos;
        host_platform.getCursorPos(&position);
        if (mouse_travel_exceeds(last_cursor_pos.x, last_cursor_pos.y, position.x, position.y)) {
            post_close_request(window);
            last_cursor_pos = position;
        }
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_POWERBROADCAST:
        post_close_request(window);
        break;
    default:
        break;
    }
    return false;
}

LRESULT CALLBACK saver_default_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (preview_mode == 0 && close_confirmed == 0) {
        if (message == WM_CLOSE) {
            if (platform_is_9x != 0 && verify_on_close(window) == 0) {
                host_platform.getCursorPos(&last_cursor_pos);
                return 0;
            }
        } else if (message == MSG_VERIFY_PASSWORD) {
            if (platform_is_9x != 0)
                return verify_password_fn != nullptr ? verify_password_fn(window) : 1;
        } else if (password_check_active == 0) {
            LRESULT result = 0;
            if (apply_input_rules(window, message, wParam, &result))
                return result;
        }
    }
    if (autoplay_cancel_msg != 0 && message == autoplay_cancel_msg) {
        post_close_request(window);
        return verify_password_fn != nullptr ? 1 : 0;
    }
    return host_platform.defWindowProc(window, message, wParam, lParam);
}

std::int32_t verify_on_close(HWND window)
{
    if (password_check_active != 0 || close_confirmed != 0)
        return 0;
    if (verify_password_fn == nullptr) {
        close_confirmed = 1;
        return 1;
    }
    if (password_recheck_too_soon(host_platform.getTickCount(), last_password_check_ms))
        return close_confirmed;

    password_check_active = 1;
    // Up to two ticks that piled up are dropped, so no burst of frames runs before the prompt.
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    close_confirmed = SendMessageA(window, MSG_VERIFY_PASSWORD, 0, 0) != 0 ? 1 : 0;
    password_check_active = 0;
    if (close_confirmed == 0)
        hide_cursor();
    last_password_check_ms = host_platform.getTickCount();
    return close_confirmed;
}
