// Last error, message formatting and the memory it hands out.
//
// FormatMessageA takes this subset of the Windows insert syntax, and fails
// with EINVAL on anything else rather than guess:
//   %1 to %99      an insert, a narrow string; !s! narrow, !ws! UTF-16,
//                  !u! unsigned int may follow the number. Inserts are read
//                  from the va_list in order of their numbers, so every
//                  number up to the highest one used must be used.
//   %0             ends the message there, with no line break after it
//   %n             a hard line break (LF here, the platform's own)
//   %%  %.  %!     a percent sign, a full stop, an exclamation mark
//   "% "           a space that is never a place to break a line
//   %r  %t         a bare carriage return, a tab
// With FORMAT_MESSAGE_IGNORE_INSERTS, inserts and %% %. %! "% " pass through
// as they stand. The low byte of the flags sets the line width: 0 keeps the
// line breaks of the text; FORMAT_MESSAGE_MAX_WIDTH_MASK makes each of them a
// space and adds none; 1 to 254 also makes them spaces, and wraps: a line
// that reaches the width breaks at its last space (dropping the spaces at
// its end) or, with none, right after the width. Inserted text is never
// broken inside, and counts in full.

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "platform/posix/text.h"

namespace {

DWORD lastError = 0;

struct Output {
    char* data;
    std::size_t size;
    std::size_t capacity;
    bool outOfMemory;
    // Wrapping state
    DWORD width; // 0: none
    std::size_t lineStart;
    std::size_t column;
    bool haveBreak;      // a space in this line to break at
    std::size_t breakAt; // the last such space
};

bool Reserve(Output* out, std::size_t more)
{
    if (out->size + more + 1 <= out->capacity) {
        return true;
    }
    std::size_t capacity = out->capacity * 2 + more + 64;
    char* data = static_cast<char*>(std::realloc(out->data, capacity));
    if (data == nullptr) {
        out->outOfMemory = true;
        return false;
    }
    out->data = data;
    out->capacity = capacity;
    return true;
}

bool PutRaw(Output* out, const char* bytes, std::size_t count)
{
    if (!Reserve(out, count)) {
        return false;
    }
    std::memcpy(out->data + out->size, bytes, count);
    out->size += count;
    return true;
}

void NewLine(Output* out)
{
    if (!PutRaw(out, "\n", 1)) {
        return;
    }
    out->lineStart = out->size;
    out->column = 0;
    out->haveBreak = false;
}

// A line that has reached the width breaks at its last breakable space, with
// the spaces before that dropped; what followed moves to the next line.
void BreakLine(Output* out)
{
    if (!out->haveBreak) {
        NewLine(out);
        return;
    }
    std::size_t end = out->breakAt;
    while (end > out->lineStart && out->data[end - 1] == ' ') {
        --end;
    }
    std::size_t restFrom = out->breakAt + 1;
    std::size_t rest = out->size - restFrom;
    std::memmove(out->data + end + 1, out->data + restFrom, rest);
    out->data[end] = '\n';
    out->size = end + 1 + rest;
    out->lineStart = end + 1;
    out->column = rest;
    out->haveBreak = false;
}

void Counted(Output* out, std::size_t columns)
{
    out->column += columns;
    if (out->width != 0 && out->column >= out->width) {
        BreakLine(out);
    }
}

void PutChar(Output* out, char c, bool breakable)
{
    if (!PutRaw(out, &c, 1)) {
        return;
    }
    if (breakable) {
        out->haveBreak = true;
        out->breakAt = out->size - 1;
    }
    Counted(out, 1);
}

void PutInsert(Output* out, const char* text, std::size_t length)
{
    if (PutRaw(out, text, length)) {
        Counted(out, length);
    }
}

enum InsertKind { NarrowInsert, WideInsert, UnsignedInsert };

struct Insert {
    InsertKind kind;
    bool used;
    const void* text;
    unsigned number;
};

// Reads "%N" or "%N!x!" at p (p at the first digit). Returns the length of
// the sequence after the %, or 0 when it is not one of the subset.
std::size_t ReadInsert(const char* p, unsigned* index, InsertKind* kind)
{
    std::size_t used = 1;
    *index = static_cast<unsigned>(p[0] - '0');
    if (p[1] >= '0' && p[1] <= '9') {
        *index = *index * 10 + static_cast<unsigned>(p[1] - '0');
        used = 2;
    }
    *kind = NarrowInsert;
    if (p[used] != '!') {
        return used;
    }
    const char* format = p + used + 1;
    const char* close = std::strchr(format, '!');
    if (close == nullptr) {
        return 0;
    }
    std::size_t length = static_cast<std::size_t>(close - format);
    if (length == 1 && format[0] == 's') {
        *kind = NarrowInsert;
    } else if (length == 2 && format[0] == 'w' && format[1] == 's') {
        *kind = WideInsert;
    } else if (length == 1 && format[0] == 'u') {
        *kind = UnsignedInsert;
    } else {
        return 0;
    }
    return used + 1 + length + 1;
}

// Reads the inserts the message uses from the va_list, in order of their
// numbers. Returns false on a sequence outside the subset.
bool CollectInserts(const char* message, va_list* arguments, Insert* inserts, unsigned* highest)
{
    *highest = 0;
    for (const char* p = message; *p != 0; ++p) {
        if (*p != '%') {
            continue;
        }
        ++p;
        if (*p == 0) {
            return false;
        }
        if (*p < '1' || *p > '9') {
            continue;
        }
        unsigned index;
        InsertKind kind;
        std::size_t length = ReadInsert(p, &index, &kind);
        if (length == 0 || (inserts[index].used && inserts[index].kind != kind)) {
            return false;
        }
        inserts[index].used = true;
        inserts[index].kind = kind;
        if (index > *highest) {
            *highest = index;
        }
        p += length - 1;
    }
    if (*highest > 0 && arguments == nullptr) {
        return false;
    }
    for (unsigned index = 1; index <= *highest; ++index) {
        if (!inserts[index].used) {
            return false;
        }
        // The caller started the list: the analyzer cannot see that.
        if (inserts[index].kind == UnsignedInsert) {
            inserts[index].number = va_arg(*arguments, unsigned); // NOLINT(clang-analyzer-valist.Uninitialized)
        } else {
            inserts[index].text = va_arg(*arguments, const void*); // NOLINT(clang-analyzer-valist.Uninitialized)
        }
    }
    return true;
}

void PutInsertValue(Output* out, const Insert& insert)
{
    if (insert.kind == UnsignedInsert) {
        char digits[16];
        std::size_t length = 0;
        unsigned value = insert.number;
        do {
            digits[sizeof digits - 1 - length++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        PutInsert(out, digits + sizeof digits - length, length);
    } else if (insert.text == nullptr) {
        PutInsert(out, "(null)", 6);
    } else if (insert.kind == NarrowInsert) {
        const char* text = static_cast<const char*>(insert.text);
        PutInsert(out, text, std::strlen(text));
    } else {
        std::size_t length = 0;
        char* text = BytesFromWide(static_cast<const WCHAR*>(insert.text), &length);
        if (text == nullptr && errno == EILSEQ) {
            PutInsert(out, "?", 1); // a name no bytes can stand for
        } else if (text == nullptr) {
            out->outOfMemory = true;
        } else {
            PutInsert(out, text, length);
        }
        std::free(text);
    }
}

// Formats message into out; returns 0 or an errno value. A literal message
// has no escapes: only its line breaks and the width apply.
int Format(const char* message, bool literal, bool ignoreInserts, DWORD widthByte, va_list* arguments, Output* out)
{
    Insert inserts[100] = {};
    unsigned highest = 0;
    if (!literal && !ignoreInserts && !CollectInserts(message, arguments, inserts, &highest)) {
        return EINVAL;
    }
    bool keepBreaks = widthByte == 0;
    out->width = widthByte == FORMAT_MESSAGE_MAX_WIDTH_MASK ? 0 : widthByte;

    for (const char* p = message; *p != 0 && !out->outOfMemory; ++p) {
        if (*p == '\r' || *p == '\n') {
            if (*p == '\r' && p[1] == '\n') {
                ++p;
            }
            if (keepBreaks) {
                NewLine(out);
            } else {
                PutChar(out, ' ', true);
            }
            continue;
        }
        if (*p != '%' || literal) {
            PutChar(out, *p, *p == ' ');
            continue;
        }
        const char* sequence = p;
        ++p;
        switch (*p) {
        case 0: return EINVAL;
        case '0': return 0;
        case 'n': NewLine(out); continue;
        case 'r':
            if (!PutRaw(out, "\r", 1)) {
                continue;
            }
            out->lineStart = out->size;
            out->column = 0;
            out->haveBreak = false;
            continue;
        case 't': PutChar(out, '\t', false); continue;
        case '%':
        case '.':
        case '!':
        case ' ':
            if (ignoreInserts) {
                PutChar(out, '%', false);
            }
            PutChar(out, *p, false);
            continue;
        default: break;
        }
        if (*p < '1' || *p > '9') {
            return EINVAL;
        }
        unsigned index;
        InsertKind kind;
        std::size_t length = ReadInsert(p, &index, &kind);
        if (length == 0) {
            return EINVAL;
        }
        if (ignoreInserts) {
            for (std::size_t i = 0; i <= length; ++i) {
                PutChar(out, sequence[i], false);
            }
        } else {
            PutInsertValue(out, inserts[index]);
        }
        p += length - 1;
    }
    return out->outOfMemory ? ENOMEM : 0;
}

// Whether the environment asks for the C library's own texts (the C or POSIX
// locale, or C with UTF-8), which need no locale data loaded.
bool PlainTextsAsked()
{
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != 0) {
            return std::strcmp(value, "C") == 0 || std::strcmp(value, "POSIX") == 0 ||
                   std::strncmp(value, "C.", 2) == 0;
        }
    }
    return true;
}

// The user's locale for messages (and the character set they are written
// in), loaded once; null for the C library's own texts.
locale_t MessagesLocale()
{
    static bool loaded = false;
    static locale_t user = nullptr;
    if (!loaded) {
        loaded = true;
        if (!PlainTextsAsked()) {
            user = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", nullptr);
        }
    }
    return user;
}

} // namespace

DWORD GetLastError()
{
    return lastError;
}

void SetLastError(DWORD code)
{
    lastError = code;
}

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD,
                     va_list* arguments)
{
    const DWORD known = FORMAT_MESSAGE_MAX_WIDTH_MASK | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_SYSTEM;
    bool fromString = (flags & FORMAT_MESSAGE_FROM_STRING) != 0;
    bool fromSystem = (flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0;
    if ((flags & ~known) != 0 || (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) == 0 || fromString == fromSystem ||
        buffer == nullptr || (fromString && source == nullptr)) {
        SetLastError(EINVAL);
        return 0;
    }
    char** result = reinterpret_cast<char**>(buffer);
    *result = nullptr;

    const char* message = static_cast<const char*>(source);
    if (fromSystem) {
        if (languageId != 0 && languageId != MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)) {
            SetLastError(EINVAL);
            return 0;
        }
        // No text for a code the C library does not know: its "Unknown
        // error N" is no description.
        if (messageId > 0x7FFFFFFF || strerrorname_np(static_cast<int>(messageId)) == nullptr) {
            SetLastError(ENOENT);
            return 0;
        }
        locale_t locale = MessagesLocale();
        message = locale != nullptr ? strerror_l(static_cast<int>(messageId), locale)
                                    : std::strerror(static_cast<int>(messageId));
    }

    Output out = {};
    int error = Format(message, fromSystem, (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0,
                       flags & FORMAT_MESSAGE_MAX_WIDTH_MASK, arguments, &out);
    if (error == 0 && out.size == 0) {
        error = ENODATA; // as on Windows, an empty message is no message
    }
    if (error != 0) {
        std::free(out.data);
        SetLastError(static_cast<DWORD>(error));
        return 0;
    }
    out.data[out.size] = 0;
    *result = out.data;
    return static_cast<DWORD>(out.size);
}

HLOCAL LocalFree(HLOCAL memory)
{
    std::free(memory);
    return nullptr;
}

BOOL CharToOemA(LPCSTR source, LPSTR destination)
{
    if (source != destination) {
        std::memmove(destination, source, std::strlen(source) + 1);
    }
    return TRUE;
}
