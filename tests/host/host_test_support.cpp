// Recording stand-ins for the scene core and the host's platform seams, and helpers that make
// saver windows for the host tests.
#include "host_test_support.h"

#include "host/win32/win32_seams.h"
#include "scene/frame.h"

#include <algorithm>
#include <cstdio>

std::vector<std::string> events;
POINT fake_cursor{100, 100};
DWORD fake_tick_ms = 1000;
PIXELFORMATDESCRIPTOR last_pixel_format;
std::function<void(int)> on_render_frame;
int rendered_frames;

// The scene core, as the host sees it.
int window_width;
int window_height;

void apply_fixed_gl_state()
{
    events.push_back("apply_fixed_gl_state " + std::to_string(window_width) + "x" +
                     std::to_string(window_height));
}

void render_frame()
{
    events.push_back("render_frame");
    if (on_render_frame)
        on_render_frame(++rendered_frames);
}

void scene_teardown()
{
    events.push_back("scene_teardown");
}

std::string message_event(UINT message)
{
    char text[32];
    std::snprintf(text, sizeof text, "DefWindowProc 0x%04X", message);
    return text;
}

int event_index(const std::string& event)
{
    const auto found = std::find(events.begin(), events.end(), event);
    return found == events.end() ? -1 : static_cast<int>(found - events.begin());
}

bool has_event(const std::string& event)
{
    return event_index(event) >= 0;
}

int count_events(const std::string& event)
{
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

static HDC const FAKE_DC = reinterpret_cast<HDC>(0xD0);
static HGLRC const FAKE_RC = reinterpret_cast<HGLRC>(0xC0);
static HostPlatform real_platform;

// On x86-64 WINAPI is the default convention, so capture-free lambdas stand in for the calls.
void HostTest::SetUp()
{
    real_platform = host_platform;
    HostPlatform& p = host_platform;
    p.defWindowProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        events.push_back(message_event(message));
        return message == WM_SYSCOMMAND ? 0 : DefWindowProcA(window, message, wParam, lParam);
    };
    p.getCursorPos = [](LPPOINT point) -> BOOL {
        events.push_back("GetCursorPos");
        *point = fake_cursor;
        return TRUE;
    };
    p.setCursor = [](HCURSOR cursor) -> HCURSOR {
        events.push_back(cursor == nullptr ? "SetCursor none" : "SetCursor some");
        return nullptr;
    };
    p.getTickCount = []() -> DWORD { return fake_tick_ms; };
    p.systemParametersInfo = [](UINT action, UINT value, PVOID, UINT) -> BOOL {
        events.push_back("SystemParametersInfo " + std::to_string(action) + " " +
                         std::to_string(value));
        return TRUE;
    };
    p.setTimer = [](HWND, UINT_PTR id, UINT ms, TIMERPROC) -> UINT_PTR {
        events.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
        return id;
    };
    p.killTimer = [](HWND, UINT_PTR id) -> BOOL {
        events.push_back("KillTimer " + std::to_string(id));
        return TRUE;
    };
    p.getDC = [](HWND) -> HDC {
        events.push_back("GetDC");
        return FAKE_DC;
    };
    p.releaseDC = [](HWND, HDC dc) -> int {
        events.push_back(dc == FAKE_DC ? "ReleaseDC surface" : "ReleaseDC other");
        return 1;
    };
    p.choosePixelFormat = [](HDC dc, const PIXELFORMATDESCRIPTOR* format) -> int {
        events.push_back(dc == FAKE_DC ? "ChoosePixelFormat surface" : "ChoosePixelFormat other");
        last_pixel_format = *format;
        return 7;
    };
    p.setPixelFormat = [](HDC, int index, const PIXELFORMATDESCRIPTOR* format) -> BOOL {
        events.push_back("SetPixelFormat " + std::to_string(index) +
                         (format == &surface_pixel_format ? " surface_pixel_format" : " other"));
        return TRUE;
    };
    p.createContext = [](HDC dc) -> HGLRC {
        events.push_back(dc == FAKE_DC ? "wglCreateContext surface" : "wglCreateContext other");
        return FAKE_RC;
    };
    p.makeCurrent = [](HDC dc, HGLRC context) -> BOOL {
        events.push_back(dc == nullptr && context == nullptr ? "wglMakeCurrent none"
                         : dc == FAKE_DC && context == FAKE_RC ? "wglMakeCurrent surface"
                                                                : "wglMakeCurrent other");
        return TRUE;
    };
    p.deleteContext = [](HGLRC context) -> BOOL {
        events.push_back(context == FAKE_RC ? "wglDeleteContext surface" : "wglDeleteContext other");
        return TRUE;
    };
    p.swapBuffers = [](HDC dc) -> BOOL {
        events.push_back(dc == FAKE_DC ? "SwapBuffers surface" : "SwapBuffers other");
        return TRUE;
    };
    module_instance = GetModuleHandleA(nullptr);
}

void HostTest::TearDown()
{
    if (saver_hwnd != nullptr && IsWindow(saver_hwnd))
        DestroyWindow(saver_hwnd);
    if (previewParent != nullptr && IsWindow(previewParent))
        DestroyWindow(previewParent);
    host_platform = real_platform;
}

void HostTest::use_real_timer()
{
    host_platform.setTimer = SetTimer;
    host_platform.killTimer = KillTimer;
}

static void register_saver_class()
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = saver_window_proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = SAVER_CLASS_NAME;
    RegisterClassA(&windowClass);
}

HWND HostTest::create_full_screen()
{
    register_saver_class();
    saver_hwnd = CreateWindowExA(WS_EX_TOPMOST, SAVER_CLASS_NAME, FULL_SCREEN_TITLE,
                                 WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                 320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return saver_hwnd;
}

HWND HostTest::create_preview(int parentWidth, int parentHeight)
{
    register_saver_class();
    previewParent = create_plain_window("Preview parent", parentWidth, parentHeight);
    preview_mode = 1;
    saver_hwnd = CreateWindowExA(0, SAVER_CLASS_NAME, PREVIEW_TITLE,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, parentWidth,
                                 parentHeight, previewParent, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
    return saver_hwnd;
}

int take_close_requests(HWND window)
{
    int count = 0;
    MSG message;
    while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE))
        ++count;
    return count;
}

HWND create_plain_window(const char* title, int clientWidth, int clientHeight)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LatticeDriftTestPlain";
    RegisterClassA(&windowClass);
    // No frame, so that the client area is the whole window, however small.
    return CreateWindowExA(0, windowClass.lpszClassName, title, WS_POPUP | WS_VISIBLE, 10, 10,
                           clientWidth, clientHeight, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}
