#include "cli/move_main.h"

#include <cstdio>

#include "cli/options.h"
#include "cli/usage.h"
#include "diag/messages.h"

int MoveMain(int count, WCHAR** vector)
{
    MoveCommand command = ReadMoveCommand(count, vector, OptionStartCharacters);
    if (command.showUsage) {
        std::puts(UsageText);
        return 0;
    }
    if (MoveFileExW(command.source, command.destination, command.flags)) {
        return 0;
    }
    ReportWin32Error(nullptr);
    return 1;
}
