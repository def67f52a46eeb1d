// The fault guard of the saver host, built from the platform's exception-filter mechanisms.
//
// Two routes lead a fault to the guard's filter. A fault raised by an instruction of this module
// (the host and the scene have no exception handlers of their own) is caught by a vectored handler
// on its first dispatch, whatever platform frames lie between it and the guard. A fault elsewhere
// (inside a system library) is left to the frames that might handle it; if none does, it reaches
// the process's top-level filter, which the guard replaces while it is active. Either way the
// filter asks UnhandledExceptionFilter, and when that answers EXCEPTION_EXECUTE_HANDLER it unwinds
// the stack back to run_in_fault_guard (msvcrt's longjmp unwinds frame by frame, as __except does).
#include "host/win32/win32_fault_guard.h"

#include "host/win32/win32_seams.h"

#include <setjmp.h>
#include <windows.h>

#include <cstdint>

static jmp_buf guard_escape;
static bool guard_active;
static bool guard_asked; // the current fault has been put to the filter already
static DWORD guard_fault_code;
static LPTOP_LEVEL_EXCEPTION_FILTER previous_top_filter;
static PVOID guard_vectored;
static std::uintptr_t image_start; // this module's image: [image_start, image_start + image_size)
static std::uintptr_t image_size;

static LONG WINAPI guard_top_level_filter(EXCEPTION_POINTERS* pointers);

// Faults have error severity (codes 0xC0000000 and up); breakpoints, C++ throws and debug output
// do not.
static bool is_fault(DWORD code)
{
    return (code >> 30) == 3;
}

static bool in_own_image(const void* address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    return at >= image_start && at - image_start < image_size;
}

// Finds the image of the module that holds the guard (the executable, or a test program).
static void locate_own_image()
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&in_own_image), &self))
        return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(self);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        reinterpret_cast<const unsigned char*>(self) + dos->e_lfanew);
    image_start = reinterpret_cast<std::uintptr_t>(self);
    image_size = headers->OptionalHeader.SizeOfImage;
}

// The guard's filter: the platform's last-chance filter decides.
static LONG guard_filter(EXCEPTION_POINTERS* pointers)
{
    guard_asked = true;
    // UnhandledExceptionFilter consults the process's top-level filter; give it the one that was
    // there before the guard, so that it does not come back here.
    SetUnhandledExceptionFilter(previous_top_filter);
    const LONG verdict = host_platform.unhandledExceptionFilter(pointers);
    if (verdict == EXCEPTION_EXECUTE_HANDLER) {
        guard_fault_code = pointers->ExceptionRecord->ExceptionCode;
        longjmp(guard_escape, 1);
    }
    SetUnhandledExceptionFilter(guard_top_level_filter);
    // Execution resumes at the fault: should it fault again, that is a new fault to decide on.
    if (verdict == EXCEPTION_CONTINUE_EXECUTION)
        guard_asked = false;
    return verdict;
}

static LONG CALLBACK guard_vectored_handler(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (!guard_active || guard_asked || !is_fault(record->ExceptionCode) ||
        !in_own_image(record->ExceptionAddress))
        return EXCEPTION_CONTINUE_SEARCH;
    return guard_filter(pointers);
}

static LONG WINAPI guard_top_level_filter(EXCEPTION_POINTERS* pointers)
{
    if (!guard_active || guard_asked)
        return previous_top_filter != nullptr ? previous_top_filter(pointers)
                                               : EXCEPTION_CONTINUE_SEARCH;
    return guard_filter(pointers);
}

static void leave_guard()
{
    RemoveVectoredExceptionHandler(guard_vectored);
    SetUnhandledExceptionFilter(previous_top_filter);
    guard_active = false;
}

bool run_in_fault_guard(GuardedCall call, const char* arguments, int* result)
{
    if (image_size == 0)
        locate_own_image();
    guard_asked = false;
    guard_active = true;
    previous_top_filter = SetUnhandledExceptionFilter(guard_top_level_filter);
    guard_vectored = AddVectoredExceptionHandler(1, guard_vectored_handler);
    if (setjmp(guard_escape) != 0) {
        leave_guard();
        *result = static_cast<int>(guard_fault_code);
        return false;
    }
    *result = call(arguments);
    leave_guard();
    return true;
}
