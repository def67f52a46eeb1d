// Test stand-in for the 9x platform's PASSWORD.CPL: its password verifier records each call and
// answers with the first character of the file named by E2E_PASSWORD_ANSWER_FILE ("1" accepts,
// anything else or no file refuses), read afresh on every call so a test can change its mind.
#include "win32_e2e_record.h"

namespace {

bool answer_from_file()
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("E2E_PASSWORD_ANSWER_FILE", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char first = 0;
    DWORD read = 0;
    ReadFile(file, &first, 1, &read, nullptr);
    CloseHandle(file);
    return read == 1 && first == '1';
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    const bool accept = answer_from_file();
    char className[128] = "";
    GetClassNameA(window, className, sizeof className);
    char line[512];
    snprintf(line, sizeof line, "VerifyScreenSavePwd window=%llu class=%s answer=%d",
             handle_value(window), className, accept ? 1 : 0);
    append_record(line);
    return accept ? TRUE : FALSE;
}
