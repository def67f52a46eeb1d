// The procedure chain saver_window_proc -> animation_proc -> saver_default_proc, message by
// message, on real windows: creation, ticks, window-level messages, destruction.
#include "host_test_support.h"

#include <imm.h>

using ChainTest = HostTest;

TEST_F(ChainTest, CreationBindsTheSurfaceStartsTheSceneThenTheTimer)
{
    fake_cursor = {321, 123};
    HWND window = create_full_screen();
    ASSERT_NE(window, nullptr);

    const std::vector<std::string> expected = {
        "GetCursorPos",
        "SetCursor none",
        "GetDC",
        "ChoosePixelFormat surface",
        "SetPixelFormat 7 surface_pixel_format",
        "wglCreateContext surface",
        "wglMakeCurrent surface",
        "apply_fixed_gl_state 320x240",
        "SetTimer 1 5",
    };
    std::vector<std::string> seen;
    for (const std::string& event : events)
        if (event.rfind("DefWindowProc", 0) != 0)
            seen.push_back(event);
    seen.resize(std::min(seen.size(), expected.size()));
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(window_width, 320);
    EXPECT_EQ(window_height, 240);
    EXPECT_EQ(last_cursor_pos.x, 321);
    EXPECT_EQ(last_cursor_pos.y, 123);
    // WM_CREATE itself never reaches the default handling (it would be answered there too, but
    // creation is the animation procedure's).
    EXPECT_FALSE(has_event(message_event(WM_CREATE)));
}

TEST_F(ChainTest, SurfaceAsksForDoubleBufferedRgbaWithAlphaAndDepth)
{
    create_full_screen();
    const PIXELFORMATDESCRIPTOR& f = last_pixel_format;
    EXPECT_EQ(f.nSize, 40);
    EXPECT_EQ(f.nVersion, 1);
    EXPECT_EQ(f.dwFlags, 0x25u);
    EXPECT_EQ(f.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(f.cColorBits, 24);
    EXPECT_EQ(f.cAlphaBits, 8);
    EXPECT_EQ(f.cDepthBits, 16);
    EXPECT_EQ(f.cStencilBits + f.cAccumBits + f.cAuxBuffers + f.cRedBits + f.cAlphaShift, 0);
    EXPECT_EQ(f.iLayerType, PFD_MAIN_PLANE);
}

TEST_F(ChainTest, PreviewTakesTheParentsClientSizeAndShowsTheCursor)
{
    create_preview(152, 112);
    EXPECT_TRUE(has_event("apply_fixed_gl_state 152x112"));
    EXPECT_FALSE(has_event("SetCursor none"));
    EXPECT_TRUE(has_event("GetCursorPos"));
}

TEST_F(ChainTest, ZeroSizedPreviewIsPassedOnUnchanged)
{
    create_preview(0, 0);
    EXPECT_TRUE(has_event("apply_fixed_gl_state 0x0"));
    EXPECT_TRUE(has_event("SetTimer 1 5"));
}

TEST_F(ChainTest, CreationDetachesTheInputContext)
{
    HWND window = create_full_screen();
    EXPECT_NE(ime_module, nullptr) << "Wine's user32 loads IMM32.DLL";
    EXPECT_NE(associate_context_fn, nullptr);
    HIMC attached = ImmGetContext(window);
    EXPECT_EQ(attached, nullptr);
    if (attached != nullptr)
        ImmReleaseContext(window, attached);
}

TEST_F(ChainTest, EveryTickRendersAndSwapsWhateverTheTimerId)
{
    HWND window = create_full_screen();
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 42, 0), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"render_frame", "SwapBuffers surface",
                                                "render_frame", "SwapBuffers surface"}));
}

TEST_F(ChainTest, TitleNeverChanges)
{
    HWND window = create_full_screen();
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
    SetWindowTextA(window, "Other");
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Screen Saver");
    EXPECT_FALSE(has_event(message_event(WM_SETTEXT)));
}

TEST_F(ChainTest, FullScreenDropsWindowSwitchingAndScreenSaveCommands)
{
    HWND window = create_full_screen();
    for (WPARAM command : {WPARAM(SC_NEXTWINDOW), WPARAM(SC_PREVWINDOW), WPARAM(SC_SCREENSAVE)}) {
        events.clear();
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0);
        EXPECT_FALSE(has_event(message_event(WM_SYSCOMMAND))) << std::hex << command;
    }
    // Only the exact values: anything else goes on to the default handling.
    for (WPARAM command : {WPARAM(SC_SCREENSAVE + 1), WPARAM(SC_KEYMENU), WPARAM(SC_MONITORPOWER)}) {
        events.clear();
        SendMessageA(window, WM_SYSCOMMAND, command, 0);
        EXPECT_TRUE(has_event(message_event(WM_SYSCOMMAND))) << std::hex << command;
    }
}

TEST_F(ChainTest, PreviewPassesSystemCommandsOn)
{
    HWND window = create_preview();
    events.clear();
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    EXPECT_TRUE(has_event(message_event(WM_SYSCOMMAND)));
}

TEST_F(ChainTest, PreviewForwardsHelpToItsParent)
{
    HWND window = create_preview();
    for (UINT message : {UINT(WM_HELP), UINT(WM_CONTEXTMENU)}) {
        events.clear();
        EXPECT_EQ(SendMessageA(window, message, 5, 0x00070008), 1);
        EXPECT_FALSE(has_event(message_event(message)));
    }
    // The context-menu request arrives at the parent, naming the parent. (The platform refuses to
    // post WM_HELP, whose lparam points into the sender's memory; the answer is 1 all the same.)
    MSG posted{};
    ASSERT_TRUE(PeekMessageA(&posted, previewParent, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE));
    EXPECT_EQ(posted.wParam, reinterpret_cast<WPARAM>(previewParent));
    EXPECT_EQ(posted.lParam, 0x00070008);
}

TEST_F(ChainTest, FullScreenPassesHelpToTheDefaultHandling)
{
    HWND window = create_full_screen();
    events.clear();
    SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), 0);
    EXPECT_TRUE(has_event(message_event(WM_CONTEXTMENU)));
}

TEST_F(ChainTest, OtherMessagesAnswerWhatTheDefaultHandlingAnswers)
{
    HWND window = create_full_screen();
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0), 12);
    EXPECT_EQ(SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(10, 10)),
              DefWindowProcA(window, WM_NCHITTEST, 0, MAKELPARAM(10, 10)));
    EXPECT_EQ(count_events(message_event(WM_GETTEXTLENGTH)), 1);
    EXPECT_EQ(count_events(message_event(WM_NCHITTEST)), 1);
    EXPECT_FALSE(has_event("render_frame"));
}

TEST_F(ChainTest, PaintHidesTheCursorAndReachesTheDefaultHandling)
{
    HWND window = create_full_screen();
    events.clear();
    SendMessageA(window, WM_PAINT, 0, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"SetCursor none", message_event(WM_PAINT)}));
}

TEST_F(ChainTest, DestructionStopsTimerTearsDownReleasesThenQuits)
{
    HWND window = create_full_screen();
    events.clear();
    DestroyWindow(window);
    const int timer = event_index("KillTimer 1");
    const int teardown = event_index("scene_teardown");
    const int unbind = event_index("wglMakeCurrent none");
    const int remove = event_index("wglDeleteContext surface");
    const int release = event_index("ReleaseDC surface");
    ASSERT_GE(timer, 0);
    EXPECT_LT(timer, teardown);
    EXPECT_LT(teardown, unbind);
    EXPECT_LT(unbind, remove);
    EXPECT_LT(remove, release);
    EXPECT_FALSE(has_event(message_event(WM_DESTROY)));
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}
