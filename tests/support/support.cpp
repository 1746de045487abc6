#include "support.h"

#include <fcntl.h>

#include <cstdio>
#include <fstream>
#include <system_error>

#include <unistd.h>

// The C runtime keeps standard error in text mode; so must the capture.
#ifndef O_TEXT // POSIX has no text mode
#define O_TEXT 0
#endif

namespace fs = std::filesystem;

std::string SystemText(DWORD code)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                       FORMAT_MESSAGE_MAX_WIDTH_MASK,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
                   nullptr);
    if (text == nullptr) {
        return {};
    }
    std::string result = text;
    LocalFree(text);
    return result;
}

std::string WrappedOemMessage(const std::string& ansiText)
{
    std::string source = ansiText + "%n";
    char* wrapped = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER | 78,
                       source.c_str(), 0, 0, reinterpret_cast<LPSTR>(&wrapped), 0, nullptr);
    if (length == 0) {
        return "(FormatMessageA failed)";
    }
    CharToOemA(wrapped, wrapped);
    std::string result = wrapped;
    LocalFree(wrapped);
    return result;
}

std::map<std::string, std::string> FolderContents(const fs::path& folder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            contents[NameOf(entry.path().lexically_relative(folder))] = ReadFileBytes(entry.path());
        }
    }
    return contents;
}

void WriteFileBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return bytes;
}

fs::path FreshFolder(const fs::path& parent, const std::string& name)
{
    fs::path folder = parent / name;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    return folder;
}

std::string CaptureStandardError(void (*report)(const void* context), const void* context)
{
    fs::path file = fs::temp_directory_path() / ("repath-stderr-" + std::to_string(::getpid()));
    std::fflush(stderr);
    int saved = ::dup(2);
    int capture = ::open(file.string().c_str(), O_RDWR | O_CREAT | O_TRUNC | O_TEXT, 0600);
    ::dup2(capture, 2);
    ::close(capture);
    report(context);
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string bytes = ReadFileBytes(file);
    fs::remove(file);
    return bytes;
}
