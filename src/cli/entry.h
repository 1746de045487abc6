#pragma once

#include "platform/win32.h"

// The system calls the process entry makes, so that a test can stand in for
// a split that fails and for the error box.
struct EntryCalls {
    LPWSTR(WINAPI* getCommandLine)();
    LPWSTR*(WINAPI* splitCommandLine)(LPCWSTR commandLine, int* count);
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    void(WINAPI* exitProcess)(UINT code);
};

// Splits the system's command line itself (any vector the C runtime made is
// ignored), runs MoveMain on it and ends the process with its result.
[[noreturn]] void ProgramEntry();
[[noreturn]] void ProgramEntryWith(const EntryCalls& calls);
