// The command-line split on any text must stay inside it; the vector it
// gives, joined again, must split into itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/posix/command_line.h"

namespace {

bool SameVector(LPWSTR* a, int countA, LPWSTR* b, int countB)
{
    if (countA != countB) {
        return false;
    }
    for (int i = 0; i < countA; ++i) {
        std::size_t j = 0;
        for (; a[i][j] != 0 && a[i][j] == b[i][j]; ++j) {
        }
        if (a[i][j] != b[i][j]) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so that a read past its end is caught.
    std::size_t units = size / 2;
    WCHAR* line = static_cast<WCHAR*>(std::malloc((units + 1) * sizeof(WCHAR)));
    for (std::size_t i = 0; i < units; ++i) {
        WCHAR unit = static_cast<WCHAR>(data[2 * i] | (data[2 * i + 1] << 8));
        line[i] = unit == 0 ? u' ' : unit;
    }
    line[units] = 0;

    int count = 0;
    LPWSTR* vector = CommandLineToArgvW(line, &count);
    if (vector == nullptr || count < 1 || vector[count] != nullptr) {
        std::abort();
    }
    // A program name split off a line can hold no quote, so it joins back.
    LPWSTR joined = JoinCommandLine(count, const_cast<const LPCWSTR*>(vector));
    int again = 0;
    LPWSTR* split = CommandLineToArgvW(joined, &again);
    if (split == nullptr || !SameVector(vector, count, split, again)) {
        std::abort();
    }
    LocalFree(split);
    std::free(joined);
    LocalFree(vector);
    std::free(line);
    return 0;
}
