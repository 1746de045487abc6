// The few Win32 names the program uses, for POSIX systems: the types and
// constants as Windows defines them, and the calls carried out with the C
// library and the kernel (each documented where it is defined).
#pragma once

#include <cstdarg>
#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using WCHAR = char16_t; // a UTF-16 code unit, as on Windows
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPCVOID = const void*;
using HWND = void*;
using HLOCAL = void*;

#define WINAPI

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x01;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x02;
inline constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x04;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x08;
inline constexpr DWORD MOVEFILE_CREATE_HARDLINK = 0x10;
inline constexpr DWORD MOVEFILE_FAIL_IF_NOT_TRACKABLE = 0x20;

inline constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;
inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;

inline constexpr DWORD LANG_NEUTRAL = 0x00;
inline constexpr DWORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(DWORD primary, DWORD sub)
{
    return (sub << 10) | primary;
}

inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr int IDOK = 1;

// Every absolute path starts with "/", so only "-" introduces an option.
inline constexpr WCHAR OptionStartCharacters[] = u"-";

// Keeps the process's arguments for GetCommandLineW; called by main first.
void RecordCommandLine(int count, char** vector);

// The recorded arguments, converted to UTF-16 and joined by the Windows
// quoting rule. The text lives until the process ends.
LPWSTR GetCommandLineW();

// Splits a command line by the Windows rules into one LocalFree-able block.
// Returns null, with the last error set, when memory runs out.
LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count);

// Shows caption and text on the controlling terminal, if there is one.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

[[noreturn]] void ExitProcess(UINT code);

// Moves, copies across file systems or links one file; see move.cpp.
BOOL MoveFileExW(LPCWSTR existing, LPCWSTR destination, DWORD flags);

// The last error is the errno value of the call that failed.
DWORD GetLastError();
void SetLastError(DWORD code);

// The system's description of an errno value, or a message in the insert
// syntax, into a buffer it allocates (FORMAT_MESSAGE_ALLOCATE_BUFFER is
// required); see messages.cpp for the syntax it accepts.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);

HLOCAL LocalFree(HLOCAL memory);

// The terminal's encoding already is the text's: the text is left as it is.
BOOL CharToOemA(LPCSTR source, LPSTR destination);
