// Ending the saver: the input rules, the close request and its verification by the password
// verifier (injected here), the refusal window, and what happens once the close is confirmed.
#include "host_test_support.h"

using CloseTest = HostTest;

// The injected password verifier: answers `verifier_answer`, counts its calls, and runs
// `during_verifier` while it "asks" (where the window procedures are re-entered).
static int verifier_calls;
static BOOL verifier_answer;
static std::function<void()> during_verifier;

static BOOL WINAPI test_verifier(HWND window)
{
    ++verifier_calls;
    EXPECT_EQ(window, saver_hwnd);
    if (during_verifier)
        during_verifier();
    return verifier_answer;
}

static int closes_after_move(HWND window, LONG x, LONG y)
{
    fake_cursor = {x, y};
    // The message's own coordinates are not the cursor's position and do not count.
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(900, 900));
    return take_close_requests(window);
}

TEST_F(CloseTest, MouseTravelCountsFromTheReferencePosition)
{
    fake_cursor = {100, 100};
    HWND window = create_full_screen();
    EXPECT_EQ(closes_after_move(window, 103, 101), 0);
    EXPECT_EQ(closes_after_move(window, 100, 104), 0);
    EXPECT_EQ(last_cursor_pos.x, 100);
    EXPECT_EQ(closes_after_move(window, 103, 102), 1);
    EXPECT_EQ(last_cursor_pos.x, 103);
    EXPECT_EQ(last_cursor_pos.y, 102);
    // Steps of one pixel add up against the reference, not the previous message.
    for (LONG x = 104; x <= 107; ++x)
        EXPECT_EQ(closes_after_move(window, x, 102), 0);
    EXPECT_EQ(closes_after_move(window, 108, 102), 1);
}

TEST_F(CloseTest, PressesActivationLossAndPowerEventsEndTheSaver)
{
    HWND window = create_full_screen();
    struct Case {
        UINT message;
        WPARAM wParam;
        int closes;
    };
    const Case cases[] = {
        {WM_KEYDOWN, 'A', 1},       {WM_SYSKEYDOWN, VK_MENU, 1}, {WM_LBUTTONDOWN, 0, 1},
        {WM_RBUTTONDOWN, 0, 1},     {WM_MBUTTONDOWN, 0, 1},      {WM_KEYUP, 'A', 0},
        {WM_SYSKEYUP, VK_MENU, 0},  {WM_LBUTTONUP, 0, 0},        {WM_RBUTTONUP, 0, 0},
        {WM_MBUTTONUP, 0, 0},       {WM_MOUSEWHEEL, 120 << 16, 0}, {WM_ACTIVATEAPP, TRUE, 0},
        {WM_ACTIVATEAPP, FALSE, 1}, {WM_POWER, 1, 0},            {WM_POWER, 3, 1},
        {WM_POWERBROADCAST, 0, 1},  {WM_POWERBROADCAST, 0xFFFF, 1},
    };
    for (const Case& c : cases) {
        SendMessageA(window, c.message, c.wParam, 0);
        EXPECT_EQ(take_close_requests(window), c.closes) << std::hex << c.message << " " << c.wParam;
    }
}

TEST_F(CloseTest, CursorIsHiddenOnSetCursorAndWhenShown)
{
    HWND window = create_full_screen();
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 1);
    SendMessageA(window, WM_SHOWWINDOW, FALSE, 0);
    SendMessageA(window, WM_SHOWWINDOW, TRUE, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"SetCursor none", message_event(WM_SHOWWINDOW),
                                                "SetCursor none", message_event(WM_SHOWWINDOW)}));
}

TEST_F(CloseTest, PreviewIgnoresInputKeepsTheCursorAndClosesUnchecked)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    HWND window = create_preview();
    events.clear();
    fake_cursor = {300, 300};
    for (UINT message : {UINT(WM_MOUSEMOVE), UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN),
                         UINT(WM_POWERBROADCAST), UINT(WM_SETCURSOR), UINT(WM_ACTIVATEAPP)})
        SendMessageA(window, message, 0, 0);
    EXPECT_EQ(take_close_requests(window), 0);
    EXPECT_FALSE(has_event("SetCursor none"));
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(verifier_calls, 0);
}

TEST_F(CloseTest, WithoutAVerifierTheCloseIsAcceptedAtOnce)
{
    for (std::int32_t nine : {0, 1}) {
        platform_is_9x = nine;
        // Off the 9x platform even a loaded verifier is never asked.
        verify_password_fn = nine != 0 ? nullptr : test_verifier;
        HWND window = create_full_screen();
        EXPECT_EQ(SendMessageA(window, MSG_VERIFY_PASSWORD, 0, 0), nine);
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(window)) << "platform_is_9x " << nine;
        EXPECT_EQ(verifier_calls, 0);
    }
}

TEST_F(CloseTest, RefusedPasswordKeepsTheSaverAndRefusesCloseRequestsFor200Ms)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    HWND window = create_full_screen();
    for (int i = 0; i < 3; ++i)
        PostMessageA(window, WM_TIMER, 1, 0);
    fake_cursor = {400, 300};
    fake_tick_ms = 0xFFFFFFA0u; // the refusal window spans the wrap of the tick count
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(verifier_calls, 1);
    EXPECT_EQ(close_confirmed + password_check_active, 0);
    EXPECT_EQ(last_password_check_ms, 0xFFFFFFA0u);
    EXPECT_EQ(last_cursor_pos.x, 400);
    EXPECT_EQ(events.back(), "GetCursorPos");
    EXPECT_TRUE(has_event("SetCursor none"));
    // Two of the three pending ticks were dropped before the prompt.
    MSG tick;
    EXPECT_TRUE(PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_REMOVE));

    fake_tick_ms = 0xFFFFFFA0u + 150;
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(verifier_calls, 1);
    fake_tick_ms = 0xFFFFFFA0u + 250;
    verifier_answer = TRUE;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(verifier_calls, 2);
    EXPECT_EQ(close_confirmed, 1);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(CloseTest, DuringTheCheckInputIsIgnoredCloseIsRefusedTicksStillRender)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    HWND window = create_full_screen();
    LRESULT nestedClose = -1;
    during_verifier = [&] {
        EXPECT_EQ(password_check_active, 1);
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
        nestedClose = SendMessageA(window, WM_CLOSE, 0, 0);
        SendMessageA(window, WM_TIMER, 1, 0);
    };
    events.clear();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(nestedClose, 0);
    EXPECT_EQ(verifier_calls, 1);
    EXPECT_EQ(take_close_requests(window), 0);
    EXPECT_TRUE(has_event("render_frame"));
}

TEST_F(CloseTest, OnceConfirmedTicksAreDroppedAndInputGoesToTheDefaultHandling)
{
    HWND window = create_full_screen();
    close_confirmed = 1;
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    EXPECT_TRUE(events.empty());
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_MOUSEMOVE), UINT(WM_PAINT), UINT(WM_ACTIVATEAPP)})
        SendMessageA(window, message, 0, 0);
    EXPECT_EQ(take_close_requests(window), 0);
    EXPECT_EQ(count_events("SetCursor none") + count_events("GetCursorPos"), 0);
    EXPECT_TRUE(has_event(message_event(WM_PAINT)));
    EXPECT_TRUE(has_event(message_event(WM_KEYDOWN)));
}

TEST_F(CloseTest, AutoPlayQuestionEndsTheSaverAndIsAnsweredByWhetherAVerifierIsLoaded)
{
    autoplay_cancel_msg = RegisterWindowMessageA("QueryCancelAutoPlay");
    ASSERT_NE(autoplay_cancel_msg, 0u);
    HWND window = create_full_screen();
    EXPECT_EQ(SendMessageA(window, autoplay_cancel_msg, 0, 0), 0);
    EXPECT_EQ(take_close_requests(window), 1);
    verify_password_fn = test_verifier;
    EXPECT_EQ(SendMessageA(window, autoplay_cancel_msg, 0, 0), 1);
    EXPECT_EQ(take_close_requests(window), 1);
    EXPECT_FALSE(has_event(message_event(autoplay_cancel_msg)));
}

TEST_F(CloseTest, AutoPlayQuestionIsAnsweredInPreviewToo)
{
    autoplay_cancel_msg = RegisterWindowMessageA("QueryCancelAutoPlay");
    HWND window = create_preview();
    EXPECT_EQ(SendMessageA(window, autoplay_cancel_msg, 0, 0), 0);
    EXPECT_EQ(take_close_requests(window), 1);
}

TEST_F(CloseTest, SaverRunningStateFollowsTheLoadedVerifierOnNinexOnly)
{
    platform_is_9x = 1;
    password_module = LoadLibraryA("imm32.dll");
    verify_password_fn = test_verifier;
    unload_password_verifier();
    EXPECT_EQ(password_module, nullptr);
    EXPECT_EQ(verify_password_fn, nullptr);
    set_saver_running(1);
    platform_is_9x = 0;
    set_saver_running(0);
    EXPECT_EQ(events, (std::vector<std::string>{"SystemParametersInfo 97 0",
                                                "SystemParametersInfo 97 1"}));
}
