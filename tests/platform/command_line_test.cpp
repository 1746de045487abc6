// CommandLineToArgvW on the platform's own function: the same table holds
// Windows (under Wine) and the POSIX stand-in to one set of rules.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support.h"

namespace {

struct SplitCase {
    const char* line;
    std::vector<const char*> entries;
};

// clang-format off
const SplitCase SplitCases[] = {
    {"prog a b", {"prog", "a", "b"}},
    {"\"C:\\my prog\" a", {"C:\\my prog", "a"}},
    {"\"prog\"x y", {"prog", "x", "y"}},
    {"prog\"x y", {"prog\"x", "y"}},
    {"  prog a", {"", "prog", "a"}},
    {" \tprog a", {"", "prog", "a"}},
    {"prog  a\tb", {"prog", "a", "b"}},
    {"prog\ta", {"prog", "a"}},
    {"prog\na b", {"prog\na", "b"}},
    {"C:\\dir\\\"x y", {"C:\\dir\\\"x", "y"}},
    {"\"prog", {"prog"}},
    {"\"\" a", {"", "a"}},
    {"\"a b\"c d", {"a b", "c", "d"}},
    {"\"a\\\" b", {"a\\", "b"}},
    {"prog\"a b\" c", {"prog\"a", "b c"}},
    {"prog", {"prog"}},
    {"  ", {""}},
    {"\"\"", {""}},
    {"prog \"a b\" c", {"prog", "a b", "c"}},
    {"prog a\\\"b", {"prog", "a\"b"}},
    {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},
    {"prog a\\b", {"prog", "a\\b"}},
    {"prog a\\\\", {"prog", "a\\\\"}},
    {"prog \\\"", {"prog", "\""}},
    {"prog \"\\\\\"", {"prog", "\\"}},
    {"prog \\\\\\\"a", {"prog", "\\\"a"}},
    {"prog \\\\\\\\\"a b\"", {"prog", "\\\\a b"}},
    {"prog \"a\\\\\"", {"prog", "a\\"}},
    {"prog \"a\\\"\"", {"prog", "a\""}},
    {"prog a\nb", {"prog", "a\nb"}},
    {"prog \"a\tb\"", {"prog", "a\tb"}},
    {"prog \" a \"", {"prog", " a "}},
    {"prog a  ", {"prog", "a"}},
    {"prog \"\" \"\"", {"prog", "", ""}},
    {"prog \"abc", {"prog", "abc"}},
    {"prog \"", {"prog", ""}},
    {"prog a\"", {"prog", "a"}},
    {"prog a\"b\"c", {"prog", "abc"}},
    {"prog \"\"a", {"prog", "a"}},
    {"prog \"a\"b\"c d\"", {"prog", "abc d"}},
    {"prog a\"\"b", {"prog", "ab"}},
    // Inside quotes, a doubled quote is one quote and ends the quoting.
    {"prog \"a\"\"b\"", {"prog", "a\"b"}},
    {"prog \"a\"\"b c\"", {"prog", "a\"b", "c"}},
    {"prog \"a\"\"\"b\"", {"prog", "a\"b"}},
    {"prog \"a\"\"\" b", {"prog", "a\" b"}},
    {"prog \"\"\"a", {"prog", "\"a"}},
    {"prog \"\"\"", {"prog", "\""}},
    {"prog \"\"\"\"", {"prog", "\""}},
    {"prog \"\"\"\"\"", {"prog", "\""}},
    {"prog \"\"\"\"\"\"", {"prog", "\"\""}},
    {"prog caf\xC3\xA9 \xE2\x82\xAC", {"prog", "caf\xC3\xA9", "\xE2\x82\xAC"}},
};
// clang-format on

std::vector<WideString> SplitWith(const WideString& line)
{
    int count = -1;
    LPWSTR* vector = CommandLineToArgvW(line.c_str(), &count);
    std::vector<WideString> entries;
    if (vector == nullptr) {
        return entries;
    }
    for (int i = 0; i < count; ++i) {
        entries.push_back(vector[i]);
    }
    LocalFree(vector);
    return entries;
}

class CommandLineSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplit, FollowsTheWindowsRules)
{
    const SplitCase& row = GetParam();
    std::vector<WideString> expected;
    for (const char* entry : row.entries) {
        expected.push_back(Widen(entry));
    }
    EXPECT_EQ(SplitWith(Widen(row.line)), expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLineSplit, testing::ValuesIn(SplitCases));

// Any vector, joined as the test programs (and the POSIX stand-in) join one,
// comes back unchanged from the split. Entry 0, a program's name, holds no
// quote.
TEST(CommandLineJoin, SplitGivesBackEveryVector)
{
    const WCHAR alphabet[] = {'a', 'b', ' ', '\t', '"', '\\', '\n', 0x00E9, 0x20AC, 0xD83D, 0xDE00, '-', '/'};
    std::mt19937 random(20261211);
    for (int round = 0; round < 3000; ++round) {
        std::vector<WideString> vector(1 + random() % 5);
        for (std::size_t i = 0; i < vector.size(); ++i) {
            std::size_t length = random() % 9;
            for (std::size_t j = 0; j < length; ++j) {
                WCHAR unit = alphabet[random() % (sizeof alphabet / sizeof alphabet[0])];
                if (i == 0 && unit == '"') {
                    unit = 'q';
                }
                vector[i] += unit;
            }
        }
        WideString line = JoinedCommandLine(vector);
        ASSERT_EQ(SplitWith(line), vector) << "round " << round;
    }
}

} // namespace
