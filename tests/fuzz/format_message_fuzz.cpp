// FormatMessageA from any format, inserts and width: no crash, no overflow,
// and without inserts no line longer than the width.
//
// Input: a width byte, a flags byte (bit 0: ignore inserts), the format up to
// a NUL byte, then up to nine inserts parted by NUL bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/win32_standin.h"

namespace {

DWORD Call(DWORD flags, const char* format, char** result, ...)
{
    va_list arguments;
    va_start(arguments, result);
    DWORD length = FormatMessageA(flags, format, 0, 0, reinterpret_cast<LPSTR>(result), 0, &arguments);
    va_end(arguments);
    return length;
}

// Whether the format names an insert past the nine that are passed.
bool NamesMissingInsert(const std::string& format)
{
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] == '%') {
            if (format[i + 1] >= '1' && format[i + 1] <= '9' && i + 2 < format.size() && format[i + 2] >= '0' &&
                format[i + 2] <= '9') {
                return true;
            }
            ++i;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    DWORD width = data[0];
    bool ignore = (data[1] & 1) != 0;
    std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
    std::size_t end = rest.find('\0');
    std::string format = rest.substr(0, end);
    if (!ignore && NamesMissingInsert(format)) {
        return 0;
    }
    // Each insert sits in a buffer of 16-bit units, so that it reads as a
    // narrow string and as a UTF-16 one without leaving its buffer.
    std::vector<std::vector<WCHAR>> inserts(9);
    std::size_t at = end == std::string::npos ? rest.size() : end + 1;
    for (std::vector<WCHAR>& insert : inserts) {
        std::size_t stop = rest.find('\0', at);
        std::string text = at < rest.size() ? rest.substr(at, stop - at) : "";
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            insert.push_back(static_cast<WCHAR>(static_cast<unsigned char>(text[i]) |
                                                (static_cast<unsigned char>(text[i + 1]) << 8)));
        }
        insert.push_back(0);
        at = stop == std::string::npos ? rest.size() : stop + 1;
    }

    DWORD flags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | width |
                  (ignore ? FORMAT_MESSAGE_IGNORE_INSERTS : 0);
    char* result = nullptr;
    DWORD length =
        Call(flags, format.c_str(), &result, inserts[0].data(), inserts[1].data(), inserts[2].data(), inserts[3].data(),
             inserts[4].data(), inserts[5].data(), inserts[6].data(), inserts[7].data(), inserts[8].data());
    if ((length == 0) != (result == nullptr) || (result != nullptr && std::strlen(result) != length)) {
        std::abort();
    }
    bool hasInserts = false;
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] == '%') {
            hasInserts |= format[i + 1] >= '1' && format[i + 1] <= '9';
            ++i;
        }
    }
    if (result != nullptr && width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK && (ignore || !hasInserts)) {
        std::size_t column = 0;
        for (const char* c = result; *c != 0; ++c) {
            column = (*c == '\n' || *c == '\r') ? 0 : column + 1;
            if (column > width) {
                std::abort();
            }
        }
    }
    LocalFree(result);
    return 0;
}
