// The Windows side of the test helpers.
#include "support.h"

#include <cstdio>

namespace fs = std::filesystem;

const long ExitCodeMinusOne = -1;

WideString Widen(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    WideString wide(static_cast<size_t>(length), 0);
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

fs::path PathOf(const std::string& name)
{
    return fs::path(Widen(name));
}

std::string NameOf(const fs::path& path)
{
    std::wstring wide = path.generic_wstring();
    if (wide.empty()) {
        return {};
    }
    int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

WideString WidePath(const fs::path& path)
{
    return path.wstring();
}

fs::path HostPath(const std::string& linuxPath)
{
    std::string path = linuxPath;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return fs::path(Widen(path));
}

std::string TextModeBytes(std::string_view bytes)
{
    std::string result;
    for (char c : bytes) {
        if (c == '\n') {
            result += '\r';
        }
        result += c;
    }
    return result;
}

namespace {

// Quotes one argument so that the system's split gives it back unchanged.
void AppendQuoted(WideString& line, const WideString& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == WideString::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (WCHAR c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

HANDLE CaptureFile(const fs::path& file)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

WideString JoinedCommandLine(const std::vector<WideString>& vector)
{
    WideString line;
    for (std::size_t i = 0; i < vector.size(); ++i) {
        if (i == 0) {
            // A program's name: quoted, with no escapes, when it needs it.
            bool quote = vector[0].empty() || vector[0].find_first_of(L" \t") != WideString::npos;
            line += quote ? L"\"" + vector[0] + L"\"" : vector[0];
        } else {
            line += L' ';
            AppendQuoted(line, vector[i]);
        }
    }
    return line;
}

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& workDir)
{
    std::vector<WideString> vector = {program.wstring()};
    for (const std::string& arg : args) {
        vector.push_back(Widen(arg));
    }
    WideString line = JoinedCommandLine(vector);

    fs::path captures = FreshFolder(workDir.parent_path(), workDir.filename().string() + ".captured");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE in =
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE out = CaptureFile(captures / "out");
    HANDLE err = CaptureFile(captures / "err");

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    RunResult result = {-2, {}, {}};
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, workDir.c_str(), &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = static_cast<long>(static_cast<LONG>(code));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        result.err = "CreateProcessW failed: " + std::to_string(GetLastError());
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (result.exitCode != -2) {
        result.out = ReadFileBytes(captures / "out");
        result.err = ReadFileBytes(captures / "err");
    }
    fs::remove_all(captures);
    return result;
}

const DWORD ErrorFileExists = ERROR_ALREADY_EXISTS;
const DWORD ErrorFileNotFound = ERROR_FILE_NOT_FOUND;
const DWORD ErrorNotSameDevice = ERROR_NOT_SAME_DEVICE;

std::string AnsiText(const WideString& wide)
{
    if (wide.empty()) {
        return {};
    }
    int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length, nullptr, nullptr);
    return ansi;
}
