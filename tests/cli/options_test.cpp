#include <gtest/gtest.h>

#include <vector>

#include "cli/options.h"
#include "support.h"

namespace {

// A row: the arguments after the program's name, and what they must ask for.
// Expected source and destination are indexes into args; flags, source and
// destination matter only where no usage text is asked for.
struct OptionCase {
    const char* name;
    std::vector<const char*> args;
    bool usage;
    DWORD flags;
    int source;
    int destination;
};

const DWORD NoFlags = 0;

// clang-format off
const OptionCase WindowsGrammar[] = {
    {"no_arguments", {}, true, NoFlags, -1, -1},
    {"one_positional", {"a"}, true, NoFlags, -1, -1},
    {"options_but_one_positional", {"-r", "a"}, true, NoFlags, -1, -1},
    {"bad_letter", {"-x", "a", "b"}, true, NoFlags, -1, -1},
    {"bad_letter_not_rescued_by_good_one", {"-rx", "a", "b"}, true, NoFlags, -1, -1},
    {"slash_and_upper_case", {"/R", "a", "b"}, false, MOVEFILE_REPLACE_EXISTING, 1, 2},
    {"letters_together", {"-rc", "a", "b"}, false, 0x03, 1, 2},
    {"letters_apart", {"-r", "-c", "a", "b"}, false, 0x03, 2, 3},
    {"every_letter_both_cases", {"-bChRsT", "a", "b"}, false, 0x3F, 1, 2},
    {"dash_alone_consumed", {"-", "a", "b"}, false, NoFlags, 1, 2},
    {"slash_alone_consumed", {"/", "a", "b"}, false, NoFlags, 1, 2},
    {"second_dash_is_bad", {"--r", "a", "b"}, true, NoFlags, -1, -1},
    {"extra_positional_ignored", {"a", "b", "c"}, false, NoFlags, 0, 1},
    {"options_only_before_positionals", {"a", "-r", "b"}, false, NoFlags, 0, 1},
    {"reboot_with_copy_not_rejected", {"-b", "-c", "a", "b"}, false, 0x06, 2, 3},
    {"empty_argument_ends_options", {"-r", "", "b"}, false, MOVEFILE_REPLACE_EXISTING, 1, 2},
    // Units whose low byte is an option letter, and a Latin-1 letter: only
    // ASCII letters count.
    {"non_ascii_low_byte_b", {"-\xC5\x82", "a", "b"}, true, NoFlags, -1, -1},      // U+0142
    {"non_ascii_low_byte_r", {"-\xC5\x92", "a", "b"}, true, NoFlags, -1, -1},      // U+0152
    {"non_ascii_latin1", {"-\xC3\xA9", "a", "b"}, true, NoFlags, -1, -1},          // U+00E9
    {"digit_is_bad", {"-1", "a", "b"}, true, NoFlags, -1, -1},
};
// Where every absolute path starts with "/", only "-" starts an option; the
// rest of the grammar is the same.
const OptionCase DashOnlyGrammar[] = {
    {"absolute_paths_move", {"/home/a", "/home/b"}, false, NoFlags, 0, 1},
    {"slash_letters_are_a_path", {"/scr", "a", "b"}, false, NoFlags, 0, 1},
    {"dash_options_still_read", {"-rc", "/a", "/b"}, false, 0x03, 1, 2},
    {"path_after_options", {"-r", "/R", "b"}, false, MOVEFILE_REPLACE_EXISTING, 1, 2},
    {"bad_letter", {"-x", "a", "b"}, true, NoFlags, -1, -1},
    {"too_few", {"-r", "/a"}, true, NoFlags, -1, -1},
};
// clang-format on

struct GrammarCase {
    OptionCase row;
    const WCHAR* starts;
};

const WCHAR DashAndSlash[] = {'-', '/', 0};
const WCHAR DashOnly[] = {'-', 0};

std::vector<GrammarCase> AllGrammarCases()
{
    std::vector<GrammarCase> cases;
    for (const OptionCase& row : WindowsGrammar) {
        cases.push_back({row, DashAndSlash});
    }
    for (const OptionCase& row : DashOnlyGrammar) {
        cases.push_back({row, DashOnly});
    }
    return cases;
}

class OptionGrammar : public testing::TestWithParam<GrammarCase> {};

TEST_P(OptionGrammar, ReadsFlagsAndPositionals)
{
    const OptionCase& row = GetParam().row;
    std::vector<WideString> storage = {Widen("repath")};
    for (const char* arg : row.args) {
        storage.push_back(Widen(arg));
    }
    std::vector<const WCHAR*> vector;
    for (const WideString& arg : storage) {
        vector.push_back(arg.c_str());
    }
    vector.push_back(nullptr);

    MoveCommand command = ReadMoveCommand(static_cast<int>(storage.size()), vector.data(), GetParam().starts);

    EXPECT_EQ(command.showUsage, row.usage);
    if (!row.usage) {
        EXPECT_EQ(command.flags, row.flags);
        EXPECT_EQ(command.source, vector[row.source + 1]);
        EXPECT_EQ(command.destination, vector[row.destination + 1]);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OptionGrammar, testing::ValuesIn(AllGrammarCases()),
                         [](const testing::TestParamInfo<GrammarCase>& info) {
                             return std::string(info.param.starts[1] == '/' ? "windows_" : "dash_only_") +
                                    info.param.row.name;
                         });

// The program reads options with the platform's set: "/scr a b" must not
// become -s -c -r where "/" starts every absolute path.
TEST(OptionStartCharacters, SlashStartsAnOptionOnlyOnWindows)
{
    WideString name = Widen("repath"), path = Widen("/scr"), a = Widen("a"), b = Widen("b");
    const WCHAR* vector[] = {name.c_str(), path.c_str(), a.c_str(), b.c_str(), nullptr};
    MoveCommand command = ReadMoveCommand(4, vector, OptionStartCharacters);
#ifdef _WIN32
    EXPECT_EQ(command.flags, 0x0Bu);
    EXPECT_EQ(command.source, vector[2]);
#else
    EXPECT_EQ(command.flags, 0u);
    EXPECT_EQ(command.source, vector[1]);
#endif
}

} // namespace
