// The procedure chain saver_window_proc -> animation_proc -> saver_default_proc, message by
// message, on real windows: creation, ticks, window-level messages, destruction.
#include "host_test_support.h"

#include <imm.h>

using ChainTest = HostTest;

TEST_F(ChainTest, CreationBindsTheSurfaceThenStartsTheSceneThenTheTimer)
{
    fake_cursor = {321, 123};
    HWND window = create_full_screen();
    std::vector<std::string> seen;
    for (const std::string& event : events)
        if (event.rfind("DefWindowProc", 0) != 0)
            seen.push_back(event);
    seen.resize(9);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "GetCursorPos", "SetCursor none", "GetDC", "ChoosePixelFormat surface",
                        "SetPixelFormat 7 surface_pixel_format", "wglCreateContext surface",
                        "wglMakeCurrent surface", "apply_fixed_gl_state 320x240", "SetTimer 1 5"}));
    EXPECT_FALSE(has_event(message_event(WM_CREATE)));
    EXPECT_EQ(last_cursor_pos.x, 321);
    EXPECT_EQ(last_cursor_pos.y, 123);
    // Double-buffered RGBA with a copying swap hinted, 24 colour and 8 alpha bits, 16-bit depth, nothing else.
    const PIXELFORMATDESCRIPTOR& f = last_pixel_format;
    EXPECT_EQ(f.nSize + f.nVersion + f.dwFlags, 40u + 1u + 0x425u);
    EXPECT_EQ(f.cColorBits * 10000 + f.cAlphaBits * 100 + f.cDepthBits, 240816);
    EXPECT_EQ(f.iPixelType + f.cStencilBits + f.cAccumBits + f.cAuxBuffers + f.iLayerType, 0);
    // The input context is detached from the window.
    EXPECT_NE(associate_context_fn, nullptr) << "Wine's user32 loads IMM32.DLL";
    EXPECT_EQ(ImmGetContext(window), nullptr);
}

TEST_F(ChainTest, PreviewTakesTheParentsClientSizeEvenZeroAndKeepsTheCursor)
{
    create_preview(152, 112);
    EXPECT_TRUE(has_event("apply_fixed_gl_state 152x112"));
    EXPECT_FALSE(has_event("SetCursor none"));
    DestroyWindow(previewParent);
    create_preview(0, 0);
    EXPECT_TRUE(has_event("apply_fixed_gl_state 0x0"));
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

TEST_F(ChainTest, WindowLevelMessagesInFullScreen)
{
    HWND window = create_full_screen();
    // The title never changes.
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
    char title[32] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Screen Saver");
    events.clear();
    // Window switching and screen-save commands are dropped; only those exact values.
    for (WPARAM command : {WPARAM(SC_NEXTWINDOW), WPARAM(SC_PREVWINDOW), WPARAM(SC_SCREENSAVE)})
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0);
    EXPECT_TRUE(events.empty());
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE + 1, 0);
    SendMessageA(window, WM_CONTEXTMENU, 0, 0);
    // Paint hides the cursor first; other messages answer what the default handling answers.
    SendMessageA(window, WM_PAINT, 0, 0);
    EXPECT_EQ(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0), 12);
    EXPECT_EQ(events, (std::vector<std::string>{
                          message_event(WM_SYSCOMMAND), message_event(WM_CONTEXTMENU),
                          "SetCursor none", message_event(WM_PAINT),
                          message_event(WM_GETTEXTLENGTH)}));
}

TEST_F(ChainTest, PreviewPassesCommandsOnAndForwardsHelpToItsParent)
{
    HWND window = create_preview();
    events.clear();
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    EXPECT_EQ(SendMessageA(window, WM_HELP, 5, 0x00070008), 1);
    EXPECT_EQ(SendMessageA(window, WM_CONTEXTMENU, 5, 0x00070008), 1);
    EXPECT_EQ(events, std::vector<std::string>{message_event(WM_SYSCOMMAND)});
    // The request arrives at the parent, naming the parent. (The platform refuses to post
    // WM_HELP, whose lparam points into the sender's memory; the answer is 1 all the same.)
    MSG posted{};
    ASSERT_TRUE(PeekMessageA(&posted, previewParent, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE));
    EXPECT_EQ(posted.wParam, reinterpret_cast<WPARAM>(previewParent));
    EXPECT_EQ(posted.lParam, 0x00070008);
}

TEST_F(ChainTest, DestructionStopsTimerTearsDownReleasesThenQuits)
{
    HWND window = create_full_screen();
    events.clear();
    DestroyWindow(window);
    std::vector<std::string> seen;
    for (const std::string& event : events)
        if (event.rfind("DefWindowProc", 0) != 0)
            seen.push_back(event);
    EXPECT_EQ(seen, (std::vector<std::string>{"KillTimer 1", "scene_teardown",
                                              "wglMakeCurrent none", "wglDeleteContext surface",
                                              "ReleaseDC surface"}));
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}
