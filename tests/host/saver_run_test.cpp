// Whole runs through the entry's mode dispatch and run_saver_window: exit codes, the windows made
// for full-screen and preview, a second full-screen start, and the configuration dialog's owner.
#include "host_test_support.h"

#include "host/win32/win32_seams.h"

#include <string>

using SaverRunTest = HostTest;

static std::string handle_text(HWND window)
{
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

TEST_F(SaverRunTest, UnusableArgumentsEndWithMinusOne)
{
    HWND parent = create_plain_window("parent", 80, 60);
    const std::string colonHandle = "/p:" + handle_text(parent);
    for (const char* arguments : {"/x", "/\ts", "\xE0", "/p", "/p 0", "/p 99999999",
                                  colonHandle.c_str(), "/a 1234"}) {
        EXPECT_EQ(saver_main(GetModuleHandleA(nullptr), arguments), -1) << arguments;
    }
    EXPECT_EQ(platform_is_9x, 0) << "Wine reports an NT platform by default";
    EXPECT_EQ(module_instance, GetModuleHandleA(nullptr));
    EXPECT_FALSE(has_event("apply_fixed_gl_state 80x60"));
    DestroyWindow(parent);
}

TEST_F(SaverRunTest, PreviewRunsAsAChildUntilItsParentIsDestroyed)
{
    use_real_timer();
    previewParent = create_plain_window("Display settings", 152, 112);
    LONG style = 0;
    char title[32] = "";
    HWND parentSeen = nullptr;
    on_render_frame = [&](int) {
        style = GetWindowLongA(saver_hwnd, GWL_STYLE);
        GetWindowTextA(saver_hwnd, title, sizeof title);
        parentSeen = GetParent(saver_hwnd);
        DestroyWindow(previewParent);
    };
    const std::string arguments = "/p" + handle_text(previewParent);
    EXPECT_EQ(saver_main(GetModuleHandleA(nullptr), arguments.c_str()), 0);
    EXPECT_EQ(preview_mode, 1);
    EXPECT_EQ(style, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
    EXPECT_STREQ(title, "Preview");
    EXPECT_EQ(parentSeen, previewParent);
    EXPECT_TRUE(has_event("apply_fixed_gl_state 152x112"));
    EXPECT_FALSE(has_event("SetCursor none"));
    EXPECT_TRUE(has_event("scene_teardown"));
    EXPECT_EQ(autoplay_cancel_msg, 0u);
}

TEST_F(SaverRunTest, FullScreenCoversTheScreenAndAKeyEndsIt)
{
    use_real_timer();
    RECT screen;
    HDC screenDc = GetDC(nullptr);
    GetClipBox(screenDc, &screen);
    ReleaseDC(nullptr, screenDc);

    LONG style = 0, exStyle = 0;
    ULONG_PTR classStyle = 0, brush = 0, cursor = 1, icon = 0;
    RECT rect{};
    char title[32] = "";
    on_render_frame = [&](int) {
        style = GetWindowLongA(saver_hwnd, GWL_STYLE);
        exStyle = GetWindowLongA(saver_hwnd, GWL_EXSTYLE);
        classStyle = GetClassLongPtrA(saver_hwnd, GCL_STYLE);
        brush = GetClassLongPtrA(saver_hwnd, GCLP_HBRBACKGROUND);
        cursor = GetClassLongPtrA(saver_hwnd, GCLP_HCURSOR);
        icon = GetClassLongPtrA(saver_hwnd, GCLP_HICON);
        GetWindowRect(saver_hwnd, &rect);
        GetWindowTextA(saver_hwnd, title, sizeof title);
        PostMessageA(saver_hwnd, WM_KEYDOWN, VK_SPACE, 0);
    };
    EXPECT_EQ(saver_main(GetModuleHandleA(nullptr), "/S"), 0);
    EXPECT_FALSE(IsWindow(saver_hwnd));
    EXPECT_EQ(style, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_EQ(classStyle, 0x2bu);
    EXPECT_EQ(brush, reinterpret_cast<ULONG_PTR>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(cursor, 0u);
    EXPECT_NE(icon, 0u) << "class icon 100 from the module's resources";
    EXPECT_TRUE(EqualRect(&rect, &screen));
    EXPECT_STREQ(title, "Screen Saver");
    EXPECT_EQ(count_events("scene_teardown"), 1);
}

TEST_F(SaverRunTest, AnErrorFromMessageRetrievalEndsTheLoopWithMinusOne)
{
    // One ordinary message with a nonzero wparam, then the retrieval fails: that is no quit
    // request, and the stale message must not become the exit code.
    host_platform.getMessage = [](LPMSG message, HWND, UINT, UINT) -> BOOL {
        static int calls;
        if (calls++ > 0)
            return -1;
        *message = MSG{};
        message->hwnd = saver_hwnd;
        message->message = WM_NULL;
        message->wParam = 7;
        return TRUE;
    };
    EXPECT_EQ(saver_main(GetModuleHandleA(nullptr), "/s"), -1);
    EXPECT_TRUE(IsWindow(saver_hwnd));
}

TEST_F(SaverRunTest, SecondFullScreenStartBringsTheRunningOneForward)
{
    WNDCLASSA decoyClass{};
    decoyClass.lpfnWndProc = DefWindowProcA;
    decoyClass.hInstance = GetModuleHandleA(nullptr);
    decoyClass.lpszClassName = SAVER_CLASS_NAME;
    ASSERT_NE(RegisterClassA(&decoyClass), 0);
    HWND running = CreateWindowExA(0, SAVER_CLASS_NAME, FULL_SCREEN_TITLE, WS_POPUP | WS_VISIBLE,
                                   0, 0, 50, 50, nullptr, nullptr, GetModuleHandleA(nullptr),
                                   nullptr);
    ASSERT_NE(running, nullptr);
    HWND front = create_plain_window("front", 40, 40);
    SetForegroundWindow(front);
    ASSERT_EQ(GetForegroundWindow(), front);
    EXPECT_EQ(saver_main(GetModuleHandleA(nullptr), "/s"), 0);
    EXPECT_EQ(saver_hwnd, nullptr);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(GetForegroundWindow(), running);
    DestroyWindow(running);
    DestroyWindow(front);
}

// The configuration dialog, ended by a thread timer that presses one of its buttons.
static HWND dialog_owner;
static bool dialog_seen;
static WORD dialog_button;

static void CALLBACK press_dialog_button(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            char className[16] = "";
            GetClassNameA(window, className, sizeof className);
            if (lstrcmpA(className, "#32770") != 0)
                return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr)
        return;
    KillTimer(nullptr, timer);
    dialog_seen = true;
    dialog_owner = GetWindow(dialog, GW_OWNER);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(dialog_button, BN_CLICKED), 0);
}

static int run_config(const std::string& arguments, WORD button)
{
    dialog_seen = false;
    dialog_owner = nullptr;
    dialog_button = button;
    SetTimer(nullptr, 0, 50, press_dialog_button);
    return saver_main(GetModuleHandleA(nullptr), arguments.c_str());
}

TEST_F(SaverRunTest, ConfigureEndsWithTheDialogsResultAndTakesItsOwnerAfterAColon)
{
    EXPECT_EQ(run_config("", IDOK), 1);
    EXPECT_TRUE(dialog_seen);
    EXPECT_EQ(dialog_owner, nullptr) << "an empty argument gives the dialog no owner";

    HWND front = create_plain_window("front", 40, 40);
    HWND named = create_plain_window("named", 40, 40);
    const std::string handle = handle_text(named);
    EXPECT_EQ(run_config("/C:" + handle, IDCANCEL), 0);
    EXPECT_EQ(dialog_owner, named);
    for (const std::string& arguments : {"/c " + handle, "/c" + handle, std::string("/c:99999999")}) {
        SetForegroundWindow(front);
        EXPECT_EQ(run_config(arguments, IDOK), 1) << arguments;
        EXPECT_EQ(dialog_owner, front) << arguments;
    }
    DestroyWindow(named);
    DestroyWindow(front);
}

// The 9x family as the version query reports it (Wine reports an NT platform).
static BOOL WINAPI report_9x(LPOSVERSIONINFOA version)
{
    version->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    return TRUE;
}

static LONG WINAPI choose_handler(EXCEPTION_POINTERS*)
{
    return EXCEPTION_EXECUTE_HANDLER;
}

// The password setting on while a test runs, as it was afterwards.
class PasswordSettingOn {
public:
    PasswordSettingOn()
    {
        RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key_);
        had_ = RegQueryValueExA(key_, "ScreenSaveUsePassword", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&old_), &size_) == ERROR_SUCCESS;
        const DWORD on = 1;
        RegSetValueExA(key_, "ScreenSaveUsePassword", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&on), sizeof on);
    }
    ~PasswordSettingOn()
    {
        if (had_)
            RegSetValueExA(key_, "ScreenSaveUsePassword", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&old_), size_);
        else
            RegDeleteValueA(key_, "ScreenSaveUsePassword");
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    DWORD size_ = sizeof old_;
    bool had_ = false;
};

// PASSWORD.CPL here is the end-to-end checks' stand-in, copied beside the test program.
TEST_F(SaverRunTest, NinexFullScreenRunsWithTheVerifierAndTheRunningStateUntilAFault)
{
    use_real_timer();
    host_platform.getVersionEx = report_9x;
    host_platform.unhandledExceptionFilter = choose_handler;
    PasswordSettingOn password;
    bool verifierLoaded = false;
    UINT autoplay = 0;
    on_render_frame = [&](int) {
        verifierLoaded = verify_password_fn != nullptr;
        autoplay = autoplay_cancel_msg;
        volatile std::uintptr_t address = 0;
        *reinterpret_cast<volatile int*>(address) = 1;
    };
    EXPECT_EQ(static_cast<DWORD>(saver_main(GetModuleHandleA(nullptr), "/s")),
              static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(platform_is_9x, 1);
    EXPECT_TRUE(verifierLoaded);
    EXPECT_NE(autoplay, 0u);
    EXPECT_EQ(autoplay, RegisterWindowMessageA("QueryCancelAutoPlay"));
    // On with the verifier's load, before the first frame; off again once the guard has the fault.
    const int on = event_index("SystemParametersInfo 97 1");
    const int frame = event_index("render_frame");
    EXPECT_GE(on, 0);
    EXPECT_LT(on, frame);
    EXPECT_GT(event_index("SystemParametersInfo 97 0"), frame);
    EXPECT_EQ(count_events("SystemParametersInfo 97 1") + count_events("SystemParametersInfo 97 0"), 2);
}
