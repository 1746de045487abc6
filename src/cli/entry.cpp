#include "cli/entry.h"

#include <cstdlib>

#include "cli/move_main.h"

void ProgramEntryWith(const EntryCalls& calls)
{
    int count = 0;
    // The vector lives until the process ends; it is never released.
    LPWSTR* vector = calls.splitCommandLine(calls.getCommandLine(), &count);
    if (vector == nullptr) {
        // MB_OK is 0; it names the one button the box has.
        // cppcheck-suppress badBitmaskCheck
        const UINT type = MB_OK | MB_ICONERROR;
        calls.messageBox(nullptr, "This program requires Windows NT.", "Incompatible Windows version", type);
        calls.exitProcess(0xFFFFFFFFu);
        std::abort(); // exitProcess does not return; this keeps the promise if it did
    }
    // exit, not ExitProcess: the usage text may still wait in stdout's buffer.
    std::exit(MoveMain(count, vector));
}

void ProgramEntry()
{
    ProgramEntryWith({GetCommandLineW, CommandLineToArgvW, MessageBoxA, ExitProcess});
}
