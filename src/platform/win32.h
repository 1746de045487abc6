// The Win32 names the program uses, and the one thing about the command
// line that differs between platforms. Nothing else in src/ includes a
// platform header.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h> // needs windows.h first

// Characters that introduce an option argument.
inline constexpr WCHAR OptionStartCharacters[] = L"-/";
#else
#include "posix/win32_standin.h"
#endif
