// Small pieces shared by the end-to-end helper programs (Windows, run under Wine): reading the
// settings the test script hands over in environment variables, and starting a process.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The value of an environment variable, or the fallback when it is not set.
inline std::string env_text(const char* name, const char* fallback = "")
{
    char buffer[32768];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return fallback;
    return std::string(buffer, length);
}

inline unsigned long env_number(const char* name, unsigned long fallback)
{
    const std::string text = env_text(name);
    return text.empty() ? fallback : strtoul(text.c_str(), nullptr, 10);
}

// Starts `program` with exactly `commandLine` (no re-quoting); false if the start failed.
inline bool start_process(const std::string& program, const std::string& commandLine,
                          PROCESS_INFORMATION& process)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string mutableLine = commandLine;
    return CreateProcessA(program.c_str(), &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process) != 0;
}

// Waits up to `timeoutMs` for the process; prints "exit=<signed code>" or "exit=timeout"
// (after which the process is terminated). Returns true when it ended on its own.
inline bool report_exit(const PROCESS_INFORMATION& process, DWORD timeoutMs)
{
    // Messages are pumped meanwhile: the child may send to this thread's windows.
    const DWORD started = GetTickCount();
    DWORD wait = WAIT_TIMEOUT;
    while (wait != WAIT_OBJECT_0 && GetTickCount() - started < timeoutMs) {
        wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    if (wait != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 0xDEAD);
        printf("exit=timeout\n");
        fflush(stdout);
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("exit=%ld\n", static_cast<long>(static_cast<LONG>(code)));
    fflush(stdout);
    return true;
}
