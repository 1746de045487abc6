#include "cli/options.h"

namespace {

bool StartsOption(WCHAR unit, const WCHAR* optionStarts)
{
    for (const WCHAR* start = optionStarts; *start != 0; ++start) {
        if (unit == *start) {
            return true;
        }
    }
    return false;
}

// Setting bit 0x20 folds A-Z to a-z; it maps no other code unit onto an
// option letter, so exactly twelve units are letters.
DWORD LetterFlag(WCHAR unit)
{
    switch (static_cast<WCHAR>(unit | 0x20)) {
    case 'b': return MOVEFILE_DELAY_UNTIL_REBOOT;
    case 'c': return MOVEFILE_COPY_ALLOWED;
    case 'h': return MOVEFILE_CREATE_HARDLINK;
    case 'r': return MOVEFILE_REPLACE_EXISTING;
    case 's': return MOVEFILE_WRITE_THROUGH;
    case 't': return MOVEFILE_FAIL_IF_NOT_TRACKABLE;
    default: return 0;
    }
}

} // namespace

MoveCommand ReadMoveCommand(int count, const WCHAR* const* vector, const WCHAR* optionStarts)
{
    MoveCommand command = {false, 0, nullptr, nullptr};
    int remaining = count;
    int position = 1;
    while (remaining > 1) {
        const WCHAR* argument = vector[position];
        if (argument[0] == 0 || !StartsOption(argument[0], optionStarts)) {
            break;
        }
        // A bad character does not stop the walk: later letters still count.
        for (const WCHAR* unit = argument + 1; *unit != 0; ++unit) {
            DWORD flag = LetterFlag(*unit);
            if (flag == 0) {
                command.showUsage = true;
            }
            command.flags |= flag;
        }
        --remaining;
        ++position;
    }
    if (remaining < 3) {
        command.showUsage = true;
    }
    if (!command.showUsage) {
        command.source = vector[position];
        command.destination = vector[position + 1];
    }
    return command;
}
