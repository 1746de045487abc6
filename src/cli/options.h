#pragma once

#include "platform/win32.h"

// What the command line asks for, read without touching the system.
struct MoveCommand {
    bool showUsage;
    DWORD flags;              // MoveFileExW flags, exactly as the letters built them
    const WCHAR* source;      // null when showUsage
    const WCHAR* destination; // null when showUsage
};

// Reads leading option arguments (each starting with one of optionStarts)
// and the two positional arguments that follow. Entry 0 is not looked at.
MoveCommand ReadMoveCommand(int count, const WCHAR* const* vector, const WCHAR* optionStarts);
