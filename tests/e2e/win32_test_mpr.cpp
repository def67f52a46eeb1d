// Test stand-in for the system's MPR.DLL (loaded native-first under Wine): records the
// change-password call. LatticeDriftTestModule exists only here, so the record can prove that
// the module the saver knows as "MPR.DLL" is this one.
#include <cstring>

#include "win32_e2e_record.h"

extern "C" __declspec(dllexport) int LatticeDriftTestModule()
{
    return 1;
}

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND owner,
                                                                DWORD flags, LPVOID reserved)
{
    const HMODULE loaded = GetModuleHandleA("MPR.DLL");
    const bool isTestModule =
        loaded != nullptr && GetProcAddress(loaded, "LatticeDriftTestModule") != nullptr;
    char line[512];
    snprintf(line, sizeof line,
             "PwdChangePasswordA provider=%s owner=%llu flags=%lu reserved=%llu test_module=%d",
             provider != nullptr ? provider : "(null)", handle_value(owner), flags,
             handle_value(reserved), isTestModule ? 1 : 0);
    append_record(line);
    return 0;
}
