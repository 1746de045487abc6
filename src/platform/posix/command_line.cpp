#include "platform/posix/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/text.h"

namespace {

int recordedCount = 0;
char** recordedVector = nullptr;
LPWSTR commandLine = nullptr;
// A process may keep its vector to the end without releasing it, as the
// program does; this keeps the block reachable, not lost, for leak checkers.
LPWSTR* volatile lastVector = nullptr; // volatile: never read, yet kept

bool IsBlank(WCHAR unit)
{
    return unit == ' ' || unit == '\t';
}

bool Holds(LPCWSTR text, WCHAR unit)
{
    for (; *text != 0; ++text) {
        if (*text == unit) {
            return true;
        }
    }
    return false;
}

bool HoldsBlank(LPCWSTR text)
{
    return Holds(text, ' ') || Holds(text, '\t');
}

// Writes text at out (when out is not null) and returns the units it takes.
std::size_t PutProgramName(LPCWSTR name, WCHAR* out)
{
    bool quoted = name[0] == 0 || name[0] == '"' || HoldsBlank(name);
    std::size_t used = 0;
    auto put = [&](WCHAR unit) {
        if (out != nullptr) {
            out[used] = unit;
        }
        ++used;
    };
    if (quoted) {
        put('"');
    }
    for (LPCWSTR unit = name; *unit != 0; ++unit) {
        if (!(quoted && *unit == '"')) {
            put(*unit);
        }
    }
    if (quoted) {
        put('"');
    }
    return used;
}

std::size_t PutArgument(LPCWSTR argument, WCHAR* out)
{
    std::size_t used = 0;
    auto put = [&](WCHAR unit, std::size_t times) {
        for (std::size_t i = 0; i < times; ++i) {
            if (out != nullptr) {
                out[used] = unit;
            }
            ++used;
        }
    };
    if (argument[0] != 0 && !HoldsBlank(argument) && !Holds(argument, '"')) {
        for (LPCWSTR unit = argument; *unit != 0; ++unit) {
            put(*unit, 1);
        }
        return used;
    }
    // Backslashes are literal except before a quote, where each one must be
    // doubled; the quote itself gets one more backslash.
    put('"', 1);
    std::size_t backslashes = 0;
    for (LPCWSTR unit = argument; *unit != 0; ++unit) {
        if (*unit == '\\') {
            ++backslashes;
            continue;
        }
        put('\\', *unit == '"' ? backslashes * 2 + 1 : backslashes);
        put(*unit, 1);
        backslashes = 0;
    }
    put('\\', backslashes * 2);
    put('"', 1);
    return used;
}

// Splits line into entries. With vector null it only counts: entries and
// units (with their NULs). Otherwise it fills vector and the text at units.
void Split(LPCWSTR line, int* entries, std::size_t* textUnits, LPWSTR* vector, WCHAR* units)
{
    int count = 0;
    std::size_t used = 0;
    auto put = [&](WCHAR unit) {
        if (units != nullptr) {
            units[used] = unit;
        }
        ++used;
    };
    auto begin = [&]() {
        if (vector != nullptr) {
            vector[count] = units + used;
        }
        ++count;
    };

    // The program name: up to the closing quote when quoted (backslashes are
    // plain characters there), else up to the first blank.
    LPCWSTR p = line;
    begin();
    if (*p == '"') {
        for (++p; *p != 0 && *p != '"'; ++p) {
            put(*p);
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        for (; *p != 0 && !IsBlank(*p); ++p) {
            put(*p);
        }
    }
    put(0);

    for (;;) {
        while (IsBlank(*p)) {
            ++p;
        }
        if (*p == 0) {
            break;
        }
        begin();
        bool quoted = false;
        while (*p != 0 && (quoted || !IsBlank(*p))) {
            if (*p == '\\') {
                std::size_t backslashes = 0;
                for (; *p == '\\'; ++p) {
                    ++backslashes;
                }
                if (*p != '"') {
                    for (std::size_t i = 0; i < backslashes; ++i) {
                        put('\\');
                    }
                    continue;
                }
                for (std::size_t i = 0; i < backslashes / 2; ++i) {
                    put('\\');
                }
                if (backslashes % 2 == 1) {
                    put('"');
                    ++p;
                    continue;
                }
            }
            if (*p == '"') {
                // Inside quotes, a doubled quote is one literal quote and
                // also ends the quoting.
                if (quoted && p[1] == '"') {
                    put('"');
                    ++p;
                }
                quoted = !quoted;
                ++p;
                continue;
            }
            put(*p);
            ++p;
        }
        put(0);
    }
    *entries = count;
    *textUnits = used;
}

} // namespace

void RecordCommandLine(int count, char** vector)
{
    recordedCount = count;
    recordedVector = vector;
}

LPWSTR JoinCommandLine(int count, const LPCWSTR* vector)
{
    std::size_t units = 1;
    for (int i = 0; i < count; ++i) {
        units += (i == 0 ? PutProgramName(vector[i], nullptr) : 1 + PutArgument(vector[i], nullptr));
    }
    LPWSTR line = static_cast<LPWSTR>(std::malloc(units * sizeof(WCHAR)));
    if (line == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    WCHAR* out = line;
    for (int i = 0; i < count; ++i) {
        if (i == 0) {
            out += PutProgramName(vector[i], out);
        } else {
            *out++ = ' ';
            out += PutArgument(vector[i], out);
        }
    }
    *out = 0;
    return line;
}

LPWSTR GetCommandLineW()
{
    if (commandLine != nullptr) {
        return commandLine;
    }
    LPWSTR* wide = static_cast<LPWSTR*>(std::calloc(recordedCount > 0 ? recordedCount : 1, sizeof(LPWSTR)));
    bool complete = wide != nullptr;
    for (int i = 0; complete && i < recordedCount; ++i) {
        wide[i] = WideFromBytes(recordedVector[i], std::strlen(recordedVector[i]), nullptr);
        complete = wide[i] != nullptr;
    }
    static WCHAR empty[1] = {0};
    commandLine = complete ? JoinCommandLine(recordedCount, wide) : nullptr;
    for (int i = 0; wide != nullptr && i < recordedCount; ++i) {
        std::free(wide[i]);
    }
    std::free(wide);
    // Out of memory: an empty line, which the split answers with the
    // program's name alone.
    return commandLine != nullptr ? commandLine : empty;
}

LPWSTR* CommandLineToArgvW(LPCWSTR line, int* count)
{
    if (line == nullptr || count == nullptr) {
        SetLastError(EINVAL);
        return nullptr;
    }
    WCHAR* programName = nullptr;
    if (*line == 0) {
        // As on Windows, an empty line stands for the program alone.
        const char* name = recordedCount > 0 ? recordedVector[0] : "";
        WCHAR* wide = WideFromBytes(name, std::strlen(name), nullptr);
        if (wide == nullptr) {
            SetLastError(ENOMEM);
            return nullptr;
        }
        LPCWSTR single[] = {wide};
        programName = JoinCommandLine(1, single);
        std::free(wide);
        if (programName == nullptr) {
            SetLastError(ENOMEM);
            return nullptr;
        }
        line = programName;
    }

    int entries = 0;
    std::size_t units = 0;
    Split(line, &entries, &units, nullptr, nullptr);
    std::size_t pointers = (static_cast<std::size_t>(entries) + 1) * sizeof(LPWSTR);
    LPWSTR* vector = static_cast<LPWSTR*>(std::malloc(pointers + units * sizeof(WCHAR)));
    if (vector != nullptr) {
        Split(line, &entries, &units, vector, reinterpret_cast<WCHAR*>(reinterpret_cast<char*>(vector) + pointers));
        vector[entries] = nullptr;
        *count = entries;
        lastVector = vector;
    } else {
        SetLastError(ENOMEM);
    }
    std::free(programName);
    return vector;
}
