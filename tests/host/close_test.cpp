// Ending the saver: the input rules, the close request and its verification by the password
// verifier (injected here), the refusal window, and what happens once the close is confirmed.
#include "host_test_support.h"

#include "host/win32_seams.h"

using CloseTest = HostTest;

// The injected password verifier: answers `verifier_answer`, counts its calls, and runs
// `during_verifier` while it "asks" (where the window procedures are re-entered).
static int verifier_calls;
static HWND verifier_window;
static BOOL verifier_answer;
static std::function<void()> during_verifier;

static BOOL WINAPI test_verifier(HWND window)
{
    ++verifier_calls;
    verifier_window = window;
    if (during_verifier)
        during_verifier();
    return verifier_answer;
}

static void move_cursor_and_notify(HWND window, LONG x, LONG y)
{
    fake_cursor = {x, y};
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
}

TEST_F(CloseTest, MouseTravelOfMoreThanFourPixelsFromTheReferenceEndsTheSaver)
{
    fake_cursor = {100, 100};
    HWND window = create_full_screen();
    move_cursor_and_notify(window, 103, 101);
    EXPECT_EQ(take_close_requests(window), 0);
    EXPECT_EQ(last_cursor_pos.x, 100);
    move_cursor_and_notify(window, 103, 102);
    EXPECT_EQ(take_close_requests(window), 1);
    EXPECT_EQ(last_cursor_pos.x, 103);
    EXPECT_EQ(last_cursor_pos.y, 102);
}

TEST_F(CloseTest, SmallStepsCountFromTheReferenceNotFromTheLastMessage)
{
    fake_cursor = {100, 100};
    HWND window = create_full_screen();
    for (LONG x = 101; x <= 104; ++x)
        move_cursor_and_notify(window, x, 100);
    EXPECT_EQ(take_close_requests(window), 0);
    move_cursor_and_notify(window, 105, 100);
    EXPECT_EQ(take_close_requests(window), 1);
}

TEST_F(CloseTest, MouseMessageCoordinatesAreNotTheCursor)
{
    fake_cursor = {100, 100};
    HWND window = create_full_screen();
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(500, 500));
    EXPECT_EQ(take_close_requests(window), 0);
}

TEST_F(CloseTest, PressesEndTheSaverReleasesAndWheelDoNot)
{
    HWND window = create_full_screen();
    for (UINT press : {UINT(WM_KEYDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_LBUTTONDOWN),
                       UINT(WM_RBUTTONDOWN), UINT(WM_MBUTTONDOWN)}) {
        SendMessageA(window, press, 0x20, 0);
        EXPECT_EQ(take_close_requests(window), 1) << std::hex << press;
    }
    for (UINT release : {UINT(WM_KEYUP), UINT(WM_SYSKEYUP), UINT(WM_LBUTTONUP),
                         UINT(WM_RBUTTONUP), UINT(WM_MBUTTONUP), UINT(WM_MOUSEWHEEL),
                         UINT(WM_CHAR)}) {
        SendMessageA(window, release, 0x20, 0);
        EXPECT_EQ(take_close_requests(window), 0) << std::hex << release;
    }
}

TEST_F(CloseTest, LosingActivationAndPowerEventsEndTheSaver)
{
    HWND window = create_full_screen();
    SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(take_close_requests(window), 0);
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(take_close_requests(window), 1);

    SendMessageA(window, WM_POWER, 1, 0);
    EXPECT_EQ(take_close_requests(window), 0);
    SendMessageA(window, WM_POWER, POWER_CRITICAL_RESUME, 0);
    EXPECT_EQ(take_close_requests(window), 1);
    for (WPARAM event : {WPARAM(0), WPARAM(PBT_APMRESUMEAUTOMATIC), WPARAM(0xFFFF)}) {
        SendMessageA(window, WM_POWERBROADCAST, event, 0);
        EXPECT_EQ(take_close_requests(window), 1);
    }
}

TEST_F(CloseTest, CursorIsHiddenOnSetCursorAndWhenShown)
{
    HWND window = create_full_screen();
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 1);
    EXPECT_EQ(events, std::vector<std::string>{"SetCursor none"});
    events.clear();
    SendMessageA(window, WM_SHOWWINDOW, FALSE, 0);
    EXPECT_FALSE(has_event("SetCursor none"));
    SendMessageA(window, WM_SHOWWINDOW, TRUE, 0);
    EXPECT_TRUE(has_event("SetCursor none"));
}

TEST_F(CloseTest, PreviewIgnoresInputAndKeepsTheCursor)
{
    fake_cursor = {100, 100};
    HWND window = create_preview();
    events.clear();
    fake_cursor = {300, 300};
    for (UINT message : {UINT(WM_MOUSEMOVE), UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN),
                         UINT(WM_POWERBROADCAST), UINT(WM_SETCURSOR), UINT(WM_PAINT)})
        SendMessageA(window, message, 0, 0);
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    SendMessageA(window, WM_POWER, POWER_CRITICAL_RESUME, 0);
    EXPECT_EQ(take_close_requests(window), 0);
    EXPECT_FALSE(has_event("SetCursor none"));
    EXPECT_TRUE(has_event(message_event(WM_SETCURSOR)));
    // A close request closes a preview without any check.
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(CloseTest, WithoutPasswordTheCloseIsAcceptedAtOnce)
{
    for (std::int32_t nine : {0, 1}) {
        platform_is_9x = nine;
        close_confirmed = 0;
        HWND window = create_full_screen();
        events.clear();
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(window)) << "platform_is_9x " << nine;
        EXPECT_EQ(close_confirmed, nine) << "only the verification sets the flag";
        EXPECT_TRUE(has_event("scene_teardown"));
    }
}

TEST_F(CloseTest, OffTheNinexPlatformTheVerifierIsNeverAsked)
{
    verify_password_fn = test_verifier;
    HWND window = create_full_screen();
    EXPECT_EQ(SendMessageA(window, MSG_VERIFY_PASSWORD, 0, 0), 0);
    EXPECT_TRUE(has_event(message_event(MSG_VERIFY_PASSWORD)));
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(verifier_calls, 0);
}

TEST_F(CloseTest, AcceptedPasswordClosesTheWindow)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    verifier_answer = TRUE;
    HWND window = create_full_screen();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(verifier_calls, 1);
    EXPECT_EQ(verifier_window, window);
    EXPECT_EQ(close_confirmed, 1);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(CloseTest, RefusedPasswordKeepsTheSaverAndResetsTheReference)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    verifier_answer = FALSE;
    fake_cursor = {100, 100};
    HWND window = create_full_screen();
    fake_cursor = {400, 300};
    fake_tick_ms = 5000;
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(verifier_calls, 1);
    EXPECT_EQ(close_confirmed, 0);
    EXPECT_EQ(password_check_active, 0);
    EXPECT_EQ(last_password_check_ms, 5000u);
    EXPECT_EQ(last_cursor_pos.x, 400);
    EXPECT_EQ(last_cursor_pos.y, 300);
    EXPECT_TRUE(has_event("SetCursor none"));
    EXPECT_FALSE(has_event(message_event(WM_CLOSE)));
}

TEST_F(CloseTest, CloseRequestsSoonAfterARefusalAreRefusedWithoutAPrompt)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    verifier_answer = FALSE;
    HWND window = create_full_screen();
    fake_tick_ms = 1000;
    SendMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(verifier_calls, 1);
    fake_tick_ms = 1150;
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(verifier_calls, 1);
    fake_tick_ms = 1250;
    verifier_answer = TRUE;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(verifier_calls, 2);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(CloseTest, DuringTheCheckInputIsIgnoredAndCloseRequestsAreRefused)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    verifier_answer = FALSE;
    HWND window = create_full_screen();
    LRESULT nestedClose = -1;
    during_verifier = [&] {
        EXPECT_EQ(password_check_active, 1);
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
        nestedClose = SendMessageA(window, WM_CLOSE, 0, 0);
        // Ticks still render while the verifier runs.
        SendMessageA(window, WM_TIMER, 1, 0);
    };
    events.clear();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(nestedClose, 0);
    EXPECT_EQ(verifier_calls, 1);
    EXPECT_EQ(take_close_requests(window), 0);
    EXPECT_TRUE(has_event("render_frame"));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(CloseTest, TheCheckDropsUpToTwoPendingTicks)
{
    platform_is_9x = 1;
    verify_password_fn = test_verifier;
    HWND window = create_full_screen();
    for (int i = 0; i < 3; ++i)
        PostMessageA(window, WM_TIMER, 1, 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    int left = 0;
    MSG tick;
    while (PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_REMOVE))
        ++left;
    EXPECT_EQ(left, 1);
}

TEST_F(CloseTest, VerifyMessageOnNinexAnswersTheVerifierOrOne)
{
    platform_is_9x = 1;
    HWND window = create_full_screen();
    EXPECT_EQ(SendMessageA(window, MSG_VERIFY_PASSWORD, 0, 0), 1);
    verify_password_fn = test_verifier;
    verifier_answer = FALSE;
    EXPECT_EQ(SendMessageA(window, MSG_VERIFY_PASSWORD, 0, 0), 0);
    EXPECT_EQ(close_confirmed, 0);
}

TEST_F(CloseTest, OnceConfirmedTicksInputAndPaintGoStraightToTheDefaultHandling)
{
    HWND window = create_full_screen();
    close_confirmed = 1;
    events.clear();
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    EXPECT_TRUE(events.empty()) << "no frame, no default handling";
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_MOUSEMOVE),
                         UINT(WM_LBUTTONDOWN), UINT(WM_RBUTTONDOWN), UINT(WM_MBUTTONDOWN),
                         UINT(WM_PAINT), UINT(WM_ACTIVATEAPP)})
        SendMessageA(window, message, 0, 0);
    EXPECT_EQ(take_close_requests(window), 0);
    EXPECT_FALSE(has_event("SetCursor none"));
    EXPECT_FALSE(has_event("GetCursorPos"));
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
    EXPECT_EQ(verifier_calls, 0);
    EXPECT_FALSE(has_event(message_event(autoplay_cancel_msg)));
}

TEST_F(CloseTest, AutoPlayQuestionIsAnsweredInPreviewToo)
{
    autoplay_cancel_msg = RegisterWindowMessageA("QueryCancelAutoPlay");
    HWND window = create_preview();
    EXPECT_EQ(SendMessageA(window, autoplay_cancel_msg, 0, 0), 0);
    EXPECT_EQ(take_close_requests(window), 1);
}

TEST_F(CloseTest, UnloadingTheVerifierSwitchesTheSaverRunningStateOff)
{
    platform_is_9x = 1;
    password_module = LoadLibraryA("imm32.dll");
    verify_password_fn = test_verifier;
    unload_password_verifier();
    EXPECT_EQ(password_module, nullptr);
    EXPECT_EQ(verify_password_fn, nullptr);
    EXPECT_EQ(events, std::vector<std::string>{"SystemParametersInfo 97 0"});
    events.clear();
    set_saver_running(1);
    platform_is_9x = 0;
    set_saver_running(0);
    EXPECT_EQ(events, std::vector<std::string>{"SystemParametersInfo 97 1"});
}
