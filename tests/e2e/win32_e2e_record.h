// Test modules record each call they receive as one line appended to the file named by
// E2E_RECORD_FILE, so the test script can see what the saver called and with what.
#pragma once

#include <windows.h>

#include <cstdio>

inline void append_record(const char* line)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("E2E_RECORD_FILE", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

inline unsigned long long handle_value(const void* handle)
{
    return reinterpret_cast<UINT_PTR>(handle);
}
