// The Windows command-line rules, on UTF-16 text.
#pragma once

#include "platform/posix/win32_standin.h"

// Joins a vector into one command line that CommandLineToArgvW splits back
// into the same vector. Entry 0 follows the program-name rule, which has no
// escape for a quote: one it cannot carry (an entry 0 that starts with a
// quote, or holds white space and a quote) loses its quotes. The result is
// malloc'd; null, with errno ENOMEM, when memory runs out.
LPWSTR JoinCommandLine(int count, const LPCWSTR* vector);
