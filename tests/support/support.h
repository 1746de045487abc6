// Helpers the tests share: wide strings, the platform's own texts, running a
// program on real files. Tests may know the platform; the program may not.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

using WideString = std::basic_string<WCHAR>;

// UTF-8 to the platform's wide units.
WideString Widen(std::string_view utf8);

// A path from a UTF-8 (on POSIX: any) name, and back.
std::filesystem::path PathOf(const std::string& name);
std::string NameOf(const std::filesystem::path& path);

// A path as the wide calls take it.
WideString WidePath(const std::filesystem::path& path);

// A path the build system gave as a Linux path, as the program under test
// names it (under Wine, Z: is the Linux root).
std::filesystem::path HostPath(const std::string& linuxPath);

// What the C runtime makes of bytes written to a stream in its default text
// mode: on Windows every LF gains a CR before it.
std::string TextModeBytes(std::string_view bytes);

// The system's description of an error code, as the program asks for it, or
// an empty string when there is none.
std::string SystemText(DWORD code);

// A message as the platform wraps it at 78 columns, ends it with its line
// break, and converts it to the OEM code page.
std::string WrappedOemMessage(const std::string& ansiText);

// A vector joined into one command line that CommandLineToArgvW splits back
// into it. Entry 0 is a program's name and may hold no quote.
WideString JoinedCommandLine(const std::vector<WideString>& vector);

// The exit status a process ending with code -1 leaves behind.
extern const long ExitCodeMinusOne;

struct RunResult {
    long exitCode;
    std::string out;
    std::string err;
};

// Runs program with args (UTF-8) in folder workDir, standard input empty,
// standard output and error captured.
RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const std::filesystem::path& workDir);

// Every regular file below folder, by relative name (UTF-8 where the
// platform has its own encoding), with its bytes.
std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder);

void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFileBytes(const std::filesystem::path& file);

// A fresh empty folder for one test, below the scratch folder.
std::filesystem::path FreshFolder(const std::filesystem::path& parent, const std::string& name);

// The platform's codes for the refusals the tests provoke.
extern const DWORD ErrorFileExists;
extern const DWORD ErrorFileNotFound;
extern const DWORD ErrorNotSameDevice;

// A wide string in the ANSI code page, as FormatMessageA inserts it.
std::string AnsiText(const WideString& wide);

// Runs report with standard error (the file descriptor, so the C runtime's
// text mode applies) redirected to a file, and returns the bytes written.
std::string CaptureStandardError(void (*report)(const void* context), const void* context);
