// The fault guard: faults that escape the guarded call come back to the guard when the platform's
// last-chance filter (replaced here) chooses the handler; faults that the platform handles itself
// never reach it.
#include "host_test_support.h"

#include "host/win32/win32_fault_guard.h"
#include "host/win32/win32_seams.h"

#include <cstdint>

static int filter_calls;
static DWORD filter_code;

static LONG WINAPI choose_handler(EXCEPTION_POINTERS* pointers)
{
    ++filter_calls;
    filter_code = pointers->ExceptionRecord->ExceptionCode;
    return EXCEPTION_EXECUTE_HANDLER;
}

class FaultGuardTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        host_platform.unhandledExceptionFilter = choose_handler;
    }
};

static int write_through_null(const char*)
{
    volatile std::uintptr_t address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
    return 5;
}

static int returns_length(const char* text)
{
    return static_cast<int>(std::string(text).size());
}

static LPTOP_LEVEL_EXCEPTION_FILTER current_top_filter()
{
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(current);
    return current;
}

TEST_F(FaultGuardTest, FaultInTheCallComesBackToTheGuard)
{
    const LPTOP_LEVEL_EXCEPTION_FILTER before = current_top_filter();
    int result = 0;
    EXPECT_TRUE(run_in_fault_guard(returns_length, "four", &result));
    EXPECT_EQ(result, 4);
    EXPECT_FALSE(run_in_fault_guard(write_through_null, "", &result));
    EXPECT_EQ(filter_calls, 1);
    EXPECT_EQ(filter_code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(static_cast<DWORD>(result), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(current_top_filter(), before) << "the guard leaves the top-level filter as it was";
    // The guard can be entered again afterwards.
    EXPECT_TRUE(run_in_fault_guard(returns_length, "ab", &result));
    EXPECT_EQ(result, 2);
}

static LRESULT CALLBACK faulting_window_proc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    if (message == WM_TIMER)
        write_through_null("");
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message loop whose window procedure faults on its first tick.
static int loop_with_faulting_window(const char*)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = faulting_window_proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LatticeDriftFaultingWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    SetTimer(window, 1, 5, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

TEST_F(FaultGuardTest, FaultInAWindowProcedureOfTheLoopComesBackToTheGuard)
{
    int result = 0;
    EXPECT_FALSE(run_in_fault_guard(loop_with_faulting_window, "", &result));
    EXPECT_EQ(filter_calls, 1);
}

static int probe_bad_pointer(const char*)
{
    // The platform catches this fault itself and answers that the memory is unreadable.
    return IsBadReadPtr(reinterpret_cast<const void*>(16), 4) ? 7 : 0;
}

TEST_F(FaultGuardTest, FaultsThatThePlatformHandlesNeverReachTheGuard)
{
    int result = 0;
    EXPECT_TRUE(run_in_fault_guard(probe_bad_pointer, "", &result));
    EXPECT_EQ(result, 7);
    EXPECT_EQ(filter_calls, 0);
}

static int fault_inside_runtime(const char*)
{
    // strlen of the C runtime DLL, out of the compiler's sight, on an unreadable address: the
    // fault is raised outside this module and nothing handles it there.
    using StrlenFn = size_t (*)(const char*);
    auto length = reinterpret_cast<StrlenFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("msvcrt.dll"), "strlen")));
    return static_cast<int>(length(reinterpret_cast<const char*>(16)));
}

TEST_F(FaultGuardTest, UnhandledFaultInPlatformCodeReachesTheGuardThroughTheTopLevelFilter)
{
    int result = 0;
    EXPECT_FALSE(run_in_fault_guard(fault_inside_runtime, "", &result));
    EXPECT_EQ(filter_calls, 1);
    EXPECT_EQ(static_cast<DWORD>(result), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
}
