// Recording stand-ins for the scene core and the host's platform seams, and helpers that make
// saver windows for the host tests.
#include "host_test_support.h"

#include "host/win32_seams.h"
#include "scene/frame.h"
#include "scene/scene.h"

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
    ++rendered_frames;
    if (on_render_frame)
        on_render_frame(rendered_frames);
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

bool has_event(const std::string& event)
{
    return event_index(event) >= 0;
}

int count_events(const std::string& event)
{
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

int event_index(const std::string& event)
{
    const auto found = std::find(events.begin(), events.end(), event);
    return found == events.end() ? -1 : static_cast<int>(found - events.begin());
}

static HDC const FAKE_DC = reinterpret_cast<HDC>(0xD0);
static HGLRC const FAKE_RC = reinterpret_cast<HGLRC>(0xC0);

static LRESULT WINAPI record_def_window_proc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    events.push_back(message_event(message));
    if (message == WM_SYSCOMMAND)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

static BOOL WINAPI record_get_cursor_pos(LPPOINT point)
{
    *point = fake_cursor;
    events.push_back("GetCursorPos");
    return TRUE;
}

static HCURSOR WINAPI record_set_cursor(HCURSOR cursor)
{
    events.push_back(cursor == nullptr ? "SetCursor none" : "SetCursor some");
    return nullptr;
}

static DWORD WINAPI record_get_tick_count()
{
    return fake_tick_ms;
}

static BOOL WINAPI record_system_parameters_info(UINT action, UINT value, PVOID, UINT)
{
    events.push_back("SystemParametersInfo " + std::to_string(action) + " " +
                     std::to_string(value));
    return TRUE;
}

static UINT_PTR WINAPI record_set_timer(HWND, UINT_PTR id, UINT ms, TIMERPROC callback)
{
    events.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms) +
                     (callback != nullptr ? " callback" : ""));
    return id;
}

static BOOL WINAPI record_kill_timer(HWND, UINT_PTR id)
{
    events.push_back("KillTimer " + std::to_string(id));
    return TRUE;
}

static HDC WINAPI record_get_dc(HWND)
{
    events.push_back("GetDC");
    return FAKE_DC;
}

static int WINAPI record_release_dc(HWND, HDC dc)
{
    events.push_back(dc == FAKE_DC ? "ReleaseDC surface" : "ReleaseDC other");
    return 1;
}

static int WINAPI record_choose_pixel_format(HDC dc, const PIXELFORMATDESCRIPTOR* format)
{
    last_pixel_format = *format;
    events.push_back(dc == FAKE_DC ? "ChoosePixelFormat surface" : "ChoosePixelFormat other");
    return 7;
}

static BOOL WINAPI record_set_pixel_format(HDC, int index, const PIXELFORMATDESCRIPTOR* format)
{
    events.push_back("SetPixelFormat " + std::to_string(index) +
                     (format == &surface_pixel_format ? " surface_pixel_format" : " other"));
    return TRUE;
}

static HGLRC WINAPI record_create_context(HDC dc)
{
    events.push_back(dc == FAKE_DC ? "wglCreateContext surface" : "wglCreateContext other");
    return FAKE_RC;
}

static BOOL WINAPI record_make_current(HDC dc, HGLRC context)
{
    if (dc == nullptr && context == nullptr)
        events.push_back("wglMakeCurrent none");
    else
        events.push_back(dc == FAKE_DC && context == FAKE_RC ? "wglMakeCurrent surface"
                                                              : "wglMakeCurrent other");
    return TRUE;
}

static BOOL WINAPI record_delete_context(HGLRC context)
{
    events.push_back(context == FAKE_RC ? "wglDeleteContext surface" : "wglDeleteContext other");
    return TRUE;
}

static BOOL WINAPI record_swap_buffers(HDC dc)
{
    events.push_back(dc == FAKE_DC ? "SwapBuffers surface" : "SwapBuffers other");
    return TRUE;
}

static HostPlatform real_platform;

void HostTest::SetUp()
{
    real_platform = host_platform;
    host_platform.defWindowProc = record_def_window_proc;
    host_platform.getCursorPos = record_get_cursor_pos;
    host_platform.setCursor = record_set_cursor;
    host_platform.getTickCount = record_get_tick_count;
    host_platform.systemParametersInfo = record_system_parameters_info;
    host_platform.setTimer = record_set_timer;
    host_platform.killTimer = record_kill_timer;
    host_platform.getDC = record_get_dc;
    host_platform.releaseDC = record_release_dc;
    host_platform.choosePixelFormat = record_choose_pixel_format;
    host_platform.setPixelFormat = record_set_pixel_format;
    host_platform.createContext = record_create_context;
    host_platform.makeCurrent = record_make_current;
    host_platform.deleteContext = record_delete_context;
    host_platform.swapBuffers = record_swap_buffers;
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
    RECT area;
    GetClientRect(previewParent, &area);
    preview_mode = 1;
    saver_hwnd = CreateWindowExA(0, SAVER_CLASS_NAME, PREVIEW_TITLE,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, area.right,
                                 area.bottom, previewParent, nullptr, GetModuleHandleA(nullptr),
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
    static const char CLASS_NAME[] = "LatticeDriftTestPlain";
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = CLASS_NAME;
    RegisterClassA(&windowClass);
    // No frame, so that the client area is the whole window, however small.
    return CreateWindowExA(0, CLASS_NAME, title, WS_POPUP | WS_VISIBLE, 10, 10, clientWidth,
                           clientHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}
