#include "diag/messages.h"

#include <cstdarg>

const DWORD MessageLineWidth = 78;

const char* ReportFormat(bool hasSubject, bool hasSystemText)
{
    if (hasSubject) {
        return hasSystemText ? "%1!ws!: %2%%n" : "%1!ws!: Win32 error %2!u!%%n";
    }
    return hasSystemText ? "%1%%n" : "Win32 error %u\n";
}

void ReportWin32Error(const WCHAR* subject)
{
    DWORD code = GetLastError(); // first, before any call can change it

    // Inserts are ignored: a system text may itself hold "%1" sequences, and
    // with no arguments to fill them FormatMessage would read past nothing.
    char* systemText = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                       FORMAT_MESSAGE_MAX_WIDTH_MASK,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&systemText), 0,
                   nullptr);

    bool hasSubject = subject != nullptr && subject[0] != 0;
    const char* format = ReportFormat(hasSubject, systemText != nullptr);
    if (hasSubject && systemText != nullptr) {
        WriteOemMessage(stderr, format, subject, systemText);
    } else if (hasSubject) {
        WriteOemMessage(stderr, format, subject, static_cast<unsigned>(code));
    } else if (systemText != nullptr) {
        WriteOemMessage(stderr, format, systemText);
    } else {
        std::fprintf(stderr, format, static_cast<unsigned>(code));
    }

    if (systemText != nullptr) {
        LocalFree(systemText);
    }
}

bool WriteOemMessage(FILE* stream, const char* format, ...)
{
    char* inserted = nullptr;
    va_list inserts;
    va_start(inserts, format);
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, format, 0, 0,
                                  reinterpret_cast<LPSTR>(&inserted), 0, &inserts);
    va_end(inserts);
    if (length == 0) {
        return false;
    }

    // A second pass wraps the finished text, subject included, and passes on
    // any insert sequence the inserted texts brought along.
    char* wrapped = nullptr;
    length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS |
                                FORMAT_MESSAGE_ALLOCATE_BUFFER | (MessageLineWidth & FORMAT_MESSAGE_MAX_WIDTH_MASK),
                            inserted, 0, 0, reinterpret_cast<LPSTR>(&wrapped), 0, nullptr);
    LocalFree(inserted);
    if (length == 0) {
        return false;
    }

    CharToOemA(wrapped, wrapped);
    std::fprintf(stream, "%s", wrapped);
    LocalFree(wrapped);
    std::fflush(stream);
    return true;
}
