// Support for the host tests: a recording stand-in for the scene core, recording replacements for
// the host's platform seams, and saver windows made the way the host makes them.
#ifndef LATTICEDRIFT_TESTS_HOST_TEST_SUPPORT_H
#define LATTICEDRIFT_TESTS_HOST_TEST_SUPPORT_H

#include "host/win32/win32_host.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Everything the chain did through the seams and the core, in order ("render_frame",
// "KillTimer 1", "DefWindowProc 0x0010", ...).
extern std::vector<std::string> events;
std::string message_event(UINT message); // "DefWindowProc 0x...." for that message
bool has_event(const std::string& event);
int count_events(const std::string& event);
// Index of the first recorded event equal to `event`, or -1.
int event_index(const std::string& event);

// What the stand-ins answer.
extern POINT fake_cursor;
extern DWORD fake_tick_ms;
extern PIXELFORMATDESCRIPTOR last_pixel_format;
extern std::function<void(int frame)> on_render_frame; // called on every render_frame
extern int rendered_frames;

// Fixture: every seam records; GL calls are faked, the timer is not started, DefWindowProc is real
// (except for WM_SYSCOMMAND, which it answers with 0).
class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The saver window, made as run_saver_window makes it. Preview: a child of a fresh parent with
    // the given client size.
    HWND create_full_screen();
    HWND create_preview(int parentWidth = 160, int parentHeight = 120);
    // Uses the real SetTimer/KillTimer, for runs of the message loop.
    static void use_real_timer();

    HWND previewParent = nullptr;
};

// WM_CLOSE requests waiting in the window's queue; they are taken off it.
int take_close_requests(HWND window);
// A top-level window of a plain test class, for parents and decoys.
HWND create_plain_window(const char* title, int clientWidth, int clientHeight);

#endif
