// The option walk on any vector: the input's 16-bit units, entries parted by
// a zero unit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cli/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<WCHAR> units(size / 2 + 1, 0);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        units[i / 2] = static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
    }
    units.push_back(0);
    std::vector<const WCHAR*> vector = {u"repath"};
    for (std::size_t i = 0; i + 1 < units.size(); ++i) {
        if (i == 0 || units[i - 1] == 0) {
            vector.push_back(&units[i]);
        }
    }
    int count = static_cast<int>(vector.size());
    vector.push_back(nullptr);

    const WCHAR* sets[] = {u"-/", u"-"};
    for (const WCHAR* starts : sets) {
        MoveCommand command = ReadMoveCommand(count, vector.data(), starts);
        if ((command.flags & ~0x3Fu) != 0) {
            std::abort();
        }
        if (!command.showUsage) {
            // Two positionals, next to each other, after entry 0.
            int at = 1;
            while (at + 1 < count && vector[at] != command.source) {
                ++at;
            }
            if (vector[at] != command.source || at + 1 >= count || vector[at + 1] != command.destination) {
                std::abort();
            }
        }
    }
    return 0;
}
