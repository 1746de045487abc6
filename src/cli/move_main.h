#pragma once

#include "platform/win32.h"

// Reads the options, then prints the usage text or asks the system for the
// move. Returns the exit code: 0 for a move done or usage shown, 1 for a
// refused move (reported on standard error).
int MoveMain(int count, WCHAR** vector);
