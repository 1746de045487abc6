#include "platform/posix/text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The length of the valid UTF-8 sequence at bytes (at most count long) and
// its code point, or 0 when none starts there.
std::size_t DecodeOne(const unsigned char* bytes, std::size_t count, char32_t* point)
{
    unsigned char lead = bytes[0];
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        *point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, *point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, *point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, *point = lead & 0x07;
    } else {
        return 0;
    }
    if (count < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) {
            return 0;
        }
        *point = (*point << 6) | (bytes[i] & 0x3F);
    }
    bool overlong = *point < minimum;
    bool surrogate = *point >= 0xD800 && *point <= 0xDFFF;
    return overlong || surrogate || *point > 0x10FFFF ? 0 : length;
}

bool IsHighSurrogate(WCHAR unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(WCHAR unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::size_t WideLength(const WCHAR* wide)
{
    std::size_t length = 0;
    while (wide[length] != 0) {
        ++length;
    }
    return length;
}

WCHAR* WideFromBytes(const char* bytes, std::size_t count, std::size_t* length)
{
    // Never more units than bytes.
    WCHAR* wide = static_cast<WCHAR*>(std::malloc((count + 1) * sizeof(WCHAR)));
    if (wide == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t out = 0;
    for (std::size_t i = 0; i < count;) {
        char32_t point;
        std::size_t used = DecodeOne(in + i, count - i, &point);
        if (used == 0) {
            wide[out++] = static_cast<WCHAR>(0xDC00 + in[i]);
            ++i;
        } else if (point >= 0x10000) {
            point -= 0x10000;
            wide[out++] = static_cast<WCHAR>(0xD800 + (point >> 10));
            wide[out++] = static_cast<WCHAR>(0xDC00 + (point & 0x3FF));
            i += used;
        } else {
            wide[out++] = static_cast<WCHAR>(point);
            i += used;
        }
    }
    wide[out] = 0;
    if (length != nullptr) {
        *length = out;
    }
    return wide;
}

char* BytesFromWide(const WCHAR* wide, std::size_t* length)
{
    std::size_t units = WideLength(wide);
    // At most three bytes a unit (a pair of units makes four).
    char* bytes = static_cast<char*>(std::malloc(units * 3 + 1));
    if (bytes == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t point = wide[i];
        if (IsHighSurrogate(wide[i]) && IsLowSurrogate(wide[i + 1])) {
            point = 0x10000 + ((point - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (point >= 0xDC80 && point <= 0xDCFF) {
            bytes[out++] = static_cast<char>(point - 0xDC00);
            continue;
        } else if (point >= 0xD800 && point <= 0xDFFF) {
            std::free(bytes);
            errno = EILSEQ;
            return nullptr;
        }
        if (point < 0x80) {
            bytes[out++] = static_cast<char>(point);
        } else if (point < 0x800) {
            bytes[out++] = static_cast<char>(0xC0 | (point >> 6));
            bytes[out++] = static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            bytes[out++] = static_cast<char>(0xE0 | (point >> 12));
            bytes[out++] = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            bytes[out++] = static_cast<char>(0x80 | (point & 0x3F));
        } else {
            bytes[out++] = static_cast<char>(0xF0 | (point >> 18));
            bytes[out++] = static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            bytes[out++] = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            bytes[out++] = static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    bytes[out] = 0;
    if (length != nullptr) {
        *length = out;
    }
    return bytes;
}
