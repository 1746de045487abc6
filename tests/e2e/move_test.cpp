// The built program, run as a process on real files.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support.h"
#include "usage_text.h"

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

enum class Output { Silent, Usage };

// Where a row holds: on both builds, or where only one of them can show it.
enum class Platform { Both, Windows, Posix };

#ifdef _WIN32
const Platform ThisPlatform = Platform::Windows;
const DWORD ErrorNotSupported = ERROR_NOT_SUPPORTED; // not reached: the rows are POSIX's
#else
const Platform ThisPlatform = Platform::Posix;
const DWORD ErrorNotSupported = ENOTSUP;
#endif

// Files named "other/..." live on another volume; "{other}" in an argument
// stands for that folder, "{work}" for the folder the program runs in.
// Error 0: standard error stays empty; otherwise it holds the platform's text
// for that code.
struct Scenario {
    const char* name;
    Files before;
    std::vector<std::string> args;
    long exitCode;
    Files after;
    Output output;
    DWORD error;
    Platform platform = Platform::Both;
};

void PrintTo(const Scenario& scenario, std::ostream* out)
{
    *out << scenario.name;
}

// clang-format off
const Scenario Scenarios[] = {
    {"no_arguments", {{"a", "A"}}, {}, 0, {{"a", "A"}}, Output::Usage, 0},
    {"one_argument", {{"a", "A"}}, {"a"}, 0, {{"a", "A"}}, Output::Usage, 0},
    {"bad_option", {{"a", "A"}}, {"-x", "a", "b"}, 0, {{"a", "A"}}, Output::Usage, 0},
    {"bad_option_beside_good", {{"a", "A"}, {"b", "B"}}, {"-rx", "a", "b"}, 0, {{"a", "A"}, {"b", "B"}},
     Output::Usage, 0},
    {"second_dash", {{"a", "A"}, {"b", "B"}}, {"--r", "a", "b"}, 0, {{"a", "A"}, {"b", "B"}}, Output::Usage, 0},
    {"rename", {{"a", "A"}}, {"a", "b"}, 0, {{"b", "A"}}, Output::Silent, 0},
    {"rename_after_lone_dash", {{"a", "A"}}, {"-", "a", "b"}, 0, {{"b", "A"}}, Output::Silent, 0},
    {"existing_destination_refused", {{"a", "A"}, {"b", "B"}}, {"a", "b"}, 1, {{"a", "A"}, {"b", "B"}},
     Output::Silent, ErrorFileExists},
    {"existing_destination_replaced", {{"a", "A"}, {"b", "B"}}, {"-r", "a", "b"}, 0, {{"b", "A"}}, Output::Silent, 0},
    {"slash_upper_case_replaces", {{"a", "A"}, {"b", "B"}}, {"/R", "a", "b"}, 0, {{"b", "A"}}, Output::Silent, 0, Platform::Windows},
    // Where "/" starts every absolute path, "/scr" is a file name, not -s -c -r.
    {"slash_is_a_path", {{"a", "A"}, {"b", "B"}}, {"/scr", "a", "b"}, 1, {{"a", "A"}, {"b", "B"}}, Output::Silent, ErrorFileNotFound, Platform::Posix},
    {"absolute_paths", {{"a", "A"}}, {"{work}/a", "{work}/b"}, 0, {{"b", "A"}}, Output::Silent, 0},
    {"hard_link", {{"a", "A"}}, {"-h", "a", "b"}, 0, {{"a", "A"}, {"b", "A"}}, Output::Silent, 0, Platform::Posix},
    {"hard_link_across_volumes_moves", {{"a", "A"}}, {"-hc", "a", "{other}/b"}, 0, {{"other/b", "A"}}, Output::Silent, 0, Platform::Posix},
    {"delayed_move_refused", {{"a", "A"}}, {"-b", "a", "b"}, 1, {{"a", "A"}}, Output::Silent, ErrorNotSupported, Platform::Posix},
    {"names_with_spaces_and_accents", {{"caf\xC3\xA9 cr\xC3\xA8me", "A"}}, {"caf\xC3\xA9 cr\xC3\xA8me", " \xE2\x82\xAC 1"}, 0, {{" \xE2\x82\xAC 1", "A"}}, Output::Silent, 0},
    {"names_with_quotes_backslashes_tabs", {{"a \"quoted\" name\\ ", "A"}}, {"a \"quoted\" name\\ ", "\\\"\t\nx\\\\"}, 0, {{"\\\"\t\nx\\\\", "A"}}, Output::Silent, 0, Platform::Posix},
    {"name_not_utf8", {{"\xFF\xFE-x", "A"}}, {"\xFF\xFE-x", "\xE9t\xE9"}, 0, {{"\xE9t\xE9", "A"}}, Output::Silent, 0, Platform::Posix},
    {"option_after_source_is_destination", {{"a", "A"}, {"b", "B"}}, {"a", "-r", "b"}, 0, {{"-r", "A"}, {"b", "B"}},
     Output::Silent, 0},
    {"third_positional_ignored", {{"a", "A"}, {"c", "C"}}, {"a", "b", "c"}, 0, {{"b", "A"}, {"c", "C"}},
     Output::Silent, 0},
    {"missing_source", {{"b", "B"}}, {"nothing-here", "c"}, 1, {{"b", "B"}}, Output::Silent, ErrorFileNotFound},
    {"other_volume_refused_without_copy", {{"a", "A"}}, {"a", "{other}/b"}, 1, {{"a", "A"}}, Output::Silent,
     ErrorNotSameDevice},
    {"other_volume_copied", {{"a", "A"}}, {"-c", "a", "{other}/b"}, 0, {{"other/b", "A"}}, Output::Silent, 0},
    {"other_volume_replaced", {{"a", "A"}, {"other/b", "B"}}, {"-rc", "a", "{other}/b"}, 0, {{"other/b", "A"}},
     Output::Silent, 0},
};
// clang-format on

bool UsesOtherVolume(const Scenario& scenario)
{
    for (const std::string& arg : scenario.args) {
        if (arg.find("{other}") != std::string::npos) {
            return true;
        }
    }
    return false;
}

class MoveScenario : public testing::TestWithParam<Scenario> {
protected:
    void SetUp() override
    {
        std::string name = GetParam().name;
        work = FreshFolder(HostPath(REPATH_SCRATCH_DIR), name);
        other = FreshFolder(HostPath(REPATH_OTHER_VOLUME_DIR), "repath-e2e-" + name);
    }
    void TearDown() override
    {
        fs::remove_all(work);
        fs::remove_all(other);
    }

    // Whether a plain rename between the two folders fails, as it must for
    // them to be on different volumes.
    bool VolumesDiffer()
    {
        WriteFileBytes(work / "probe", "");
        bool differ = !MoveFileExW(WidePath(work / "probe").c_str(), WidePath(other / "probe").c_str(), 0);
        fs::remove(work / "probe");
        fs::remove(other / "probe");
        return differ;
    }

    Files Contents()
    {
        Files files = FolderContents(work);
        for (const auto& [name, bytes] : FolderContents(other)) {
            files["other/" + name] = bytes;
        }
        return files;
    }

    fs::path work;
    fs::path other;
};

TEST_P(MoveScenario, LeavesTheExpectedFilesAndOutput)
{
    const Scenario& scenario = GetParam();
    if (scenario.platform != Platform::Both && scenario.platform != ThisPlatform) {
        GTEST_SKIP() << "shows what only the other build can";
    }
    if (UsesOtherVolume(scenario) && !VolumesDiffer()) {
        GTEST_SKIP() << REPATH_OTHER_VOLUME_DIR << " is on the same volume as " << REPATH_SCRATCH_DIR;
    }
    for (const auto& [name, bytes] : scenario.before) {
        WriteFileBytes(name.rfind("other/", 0) == 0 ? other / PathOf(name.substr(6)) : work / PathOf(name), bytes);
    }
    std::vector<std::string> args;
    for (std::string arg : scenario.args) {
        if (size_t at = arg.find("{other}"); at != std::string::npos) {
            arg.replace(at, 7, NameOf(other));
        }
        if (size_t at = arg.find("{work}"); at != std::string::npos) {
            arg.replace(at, 6, NameOf(work));
        }
        args.push_back(arg);
    }

    RunResult run = RunProgram(HostPath(REPATH_PROGRAM), args, work);

    EXPECT_EQ(run.exitCode, scenario.exitCode);
    EXPECT_EQ(Contents(), scenario.after);
    EXPECT_EQ(run.out, scenario.output == Output::Usage ? TextModeBytes(UsageAsPut()) : "");
    EXPECT_EQ(run.err, scenario.error ? TextModeBytes(WrappedOemMessage(SystemText(scenario.error))) : "");
}

INSTANTIATE_TEST_SUITE_P(Table, MoveScenario, testing::ValuesIn(Scenarios),
                         [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// The exact bytes that reach a redirected standard output, worked out from
// the text, not taken from the program.
TEST(UsageOutput, ArrivesCompleteAndExactOnRedirectedStandardOutput)
{
    fs::path work = FreshFolder(HostPath(REPATH_SCRATCH_DIR), "usage_bytes");
    RunResult run = RunProgram(HostPath(REPATH_PROGRAM), {"-?"}, work);
    fs::remove_all(work);

    std::string expected = TextModeBytes(UsageAsPut());
#ifdef _WIN32
    // Text mode turns CR LF into CR CR LF and puts' LF into CR LF.
    EXPECT_NE(run.out.find("simulated\r\r\n       by copying"), std::string::npos);
    EXPECT_NE(run.out.find("function.\r\r\n\r\nUsage:"), std::string::npos);
    ASSERT_GE(run.out.size(), 6u);
    EXPECT_EQ(run.out.substr(run.out.size() - 6), "set.\r\n");
#endif
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
}

// The process entry with a split of the command line that fails: the box,
// nothing on the standard streams, exit code -1.
TEST(ProgramEntry, FailedSplitShowsTheBoxAndEndsWithMinusOne)
{
    fs::path work = FreshFolder(HostPath(REPATH_SCRATCH_DIR), "failed_split");
    fs::path record = work / "box.txt";
    RunResult run = RunProgram(HostPath(REPATH_ENTRY_PROBE), {record.string()}, work);

    EXPECT_EQ(run.exitCode, ExitCodeMinusOne);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFileBytes(record), "owner=none\n"
                                     "type=0x10\n"
                                     "caption=Incompatible Windows version\n"
                                     "text=This program requires Windows NT.\n");
    fs::remove_all(work);
}

#ifndef _WIN32
TEST(MissingSource, IsReportedInTheCLibrarysWords)
{
    fs::path work = FreshFolder(REPATH_SCRATCH_DIR, "missing_source_text");
    RunResult run = RunProgram(REPATH_PROGRAM, {"nothing-here", "b"}, work);
    fs::remove_all(work);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "No such file or directory\n") << "the tests run with LC_ALL=C";
}
#endif

} // namespace
