// Conversions between the bytes of POSIX names and UTF-16, without loss:
// valid UTF-8 decodes strictly, and every other byte b becomes the lone
// surrogate U+DC00 + b (U+DC80 to U+DCFF), which converts back to b.
#pragma once

#include <cstddef>

#include "platform/posix/win32_standin.h"

// A malloc'd, NUL-terminated UTF-16 string; its length in units goes to
// *length when length is not null. Null, with errno ENOMEM, when memory runs
// out.
WCHAR* WideFromBytes(const char* bytes, std::size_t count, std::size_t* length);

// A malloc'd, NUL-terminated byte string. Null with errno EILSEQ when the text
// holds a lone surrogate that no byte stands for, or ENOMEM.
char* BytesFromWide(const WCHAR* wide, std::size_t* length);

std::size_t WideLength(const WCHAR* wide);
