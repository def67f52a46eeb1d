// End-to-end helper: starts a program with an exact Windows command line (Wine would re-quote
// arguments given on the Linux side) and prints the child's full 32-bit exit code.
// E2E_PROGRAM: the program's Windows path; E2E_CMDLINE: the whole command line, program name
// first; E2E_TIMEOUT_MS: how long to wait before giving up (default 60000).
#include <cstdio>
#include <cstdlib>

#include "win32_e2e_common.h"

int main()
{
    const std::string program = env_text("E2E_PROGRAM");
    const std::string commandLine = env_text("E2E_CMDLINE");
    if (program.empty()) {
        fprintf(stderr, "e2e_launch: E2E_PROGRAM is not set\n");
        return 2;
    }
    PROCESS_INFORMATION process{};
    const DWORD started = GetTickCount();
    if (!start_process(program, commandLine, process)) {
        printf("start_failed=%lu\n", GetLastError());
        return 3;
    }
    printf("pid=%lu\n", process.dwProcessId);
    fflush(stdout);
    const bool ended = report_exit(process, static_cast<DWORD>(env_number("E2E_TIMEOUT_MS", 60000)));
    printf("elapsed_ms=%lu\n", GetTickCount() - started);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended ? 0 : 4;
}
