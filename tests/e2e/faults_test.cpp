// The built program against faults, races and hostile input on real file
// systems (Linux). Tests that need a file system of their own mount a tmpfs,
// which takes root; elsewhere they are skipped and say why.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support.h"
#include "support_posix.h"

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < size; i += 4) {
        std::uint32_t word = random();
        std::memcpy(&bytes[i], &word, std::min<std::size_t>(4, size - i));
    }
    return bytes;
}

// The temporary files a copy may leave in folder.
std::vector<std::string> Temporaries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.find(".repath-") != std::string::npos) {
            names.push_back(name);
        }
    }
    return names;
}

struct Child {
    pid_t pid;
    fs::path err;
};

// Starts the program with standard error to a file; stdout goes nowhere.
// With gate set, standard input is that pipe's reading end.
Child Start(const std::vector<std::string>& args, const fs::path& workDir, const fs::path& errFile,
            const int* gate = nullptr)
{
    std::string error;
    pid_t pid = StartProcess(args, workDir, "/dev/null", errFile, gate, &error);
    EXPECT_GE(pid, 0) << error;
    return {pid, errFile};
}

int Wait(const Child& child)
{
    return WaitProcess(child.pid);
}

class Faults : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        work = FreshFolder(REPATH_SCRATCH_DIR, "faults_" + name);
        other = FreshFolder(REPATH_OTHER_VOLUME_DIR, "repath-faults-" + name);
    }
    void TearDown() override
    {
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
            umount2(it->c_str(), MNT_DETACH);
        }
        fs::remove_all(work);
        fs::remove_all(other);
    }

    // A tmpfs of its own at work/name, or a skip when it cannot be had.
    bool MountTmpfs(const std::string& name, const char* options, fs::path* at)
    {
        *at = work / name;
        fs::create_directories(*at);
        if (geteuid() != 0) {
            return false;
        }
        if (mount("tmpfs", at->c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) != 0) {
            return false;
        }
        mounts.push_back(*at);
        return true;
    }

    bool OtherVolume() { return OnOtherFileSystems(work, other); }

    RunResult Run(const std::vector<std::string>& args) { return RunProgram(REPATH_PROGRAM, args, work); }

    fs::path work, other;
    std::vector<fs::path> mounts;
};

#define REQUIRE_TMPFS(name, options, at)                                                                               \
    if (!MountTmpfs(name, options, &at)) {                                                                             \
        GTEST_SKIP() << "mounting a tmpfs needs root";                                                                 \
    }

TEST_F(Faults, FullDestinationLosesNothing)
{
    fs::path tiny;
    REQUIRE_TMPFS("tiny", "size=1m", tiny);
    const std::string source = Pattern(3 << 20, 1);
    WriteFileBytes(work / "a", source);
    WriteFileBytes(tiny / "old", Pattern(4096, 2));
    const Files before = FolderContents(tiny);

    for (const char* options : {"-c", "-rc"}) {
        std::string destination = std::string(options) == "-c" ? "new" : "old";
        RunResult run = Run({options, "a", (tiny / destination).string()});
        EXPECT_EQ(run.exitCode, 1) << options;
        EXPECT_EQ(run.err, "No space left on device\n") << options;
        EXPECT_TRUE(ReadFileBytes(work / "a") == source) << options << ": the source changed";
        EXPECT_EQ(FolderContents(tiny), before) << options << ": the old destination, and nothing new";
        EXPECT_TRUE(Temporaries(tiny).empty()) << options;
    }
}

TEST_F(Faults, ReadOnlyOrMissingDestinationFolder)
{
    fs::path readOnly;
    REQUIRE_TMPFS("ro", "size=1m", readOnly);
    WriteFileBytes(readOnly / "old", "OLD");
    ASSERT_EQ(mount("tmpfs", readOnly.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    WriteFileBytes(work / "a", "A");

    struct Row {
        std::vector<std::string> args;
        const char* text;
    };
    const Row rows[] = {
        {{"-c", "a", (readOnly / "new").string()}, "Read-only file system\n"},
        {{"-rc", "a", (readOnly / "old").string()}, "Read-only file system\n"},
        {{"a", "no-folder/b"}, "No such file or directory\n"},
        {{"-c", "a", (other / "no-folder" / "b").string()}, "No such file or directory\n"},
    };
    for (const Row& row : rows) {
        RunResult run = Run(row.args);
        EXPECT_EQ(run.exitCode, 1) << row.args[1];
        EXPECT_EQ(run.err, row.text) << row.args.back();
        EXPECT_EQ(ReadFileBytes(work / "a"), "A");
        EXPECT_EQ(FolderContents(readOnly), (Files{{"old", "OLD"}}));
    }
}

// A large copy stopped at many points: by SIGKILL, which leaves at most one
// temporary file; by SIGINT, SIGTERM or SIGHUP, which leave none and end the
// process by that signal. The source, and any old destination, survive.
TEST_F(Faults, StoppedAtAnyPointLosesNothing)
{
    if (!OtherVolume()) {
        GTEST_SKIP() << REPATH_OTHER_VOLUME_DIR << " is on the file system of " << REPATH_SCRATCH_DIR;
    }
    const std::string source = Pattern(48 << 20, 3);
    const std::string old = Pattern(1 << 20, 4);
    fs::path destination = other / "b";

    // How long one copy takes here, to spread the stops over it.
    WriteFileBytes(work / "a", source);
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Run({"-c", "a", destination.string()}).exitCode, 0);
    auto copyTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    fs::remove(destination);

    struct Stop {
        int signal;
        int times;
    };
    const Stop stops[] = {{SIGKILL, 60}, {SIGINT, 20}, {SIGTERM, 20}, {SIGHUP, 20}};
    std::mt19937 random(5);
    int stoppedMidway = 0, tried = 0;
    for (const Stop& stop : stops) {
        for (int i = 0; i < stop.times; ++i, ++tried) {
            bool replace = i % 2 == 1;
            if (!fs::exists(work / "a")) {
                WriteFileBytes(work / "a", source);
            }
            fs::remove(destination);
            for (const std::string& name : Temporaries(other)) {
                fs::remove(other / name);
            }
            if (replace) {
                WriteFileBytes(destination, old);
            }
            auto delay = std::chrono::microseconds(random() % (copyTime.count() * 5 / 4 + 1));
            Child child = Start({REPATH_PROGRAM, replace ? "-rc" : "-c", "a", destination.string()}, work,
                                other.parent_path() / (other.filename().string() + ".err"));
            std::this_thread::sleep_for(delay);
            kill(child.pid, stop.signal);
            int status = Wait(child);
            fs::remove(child.err);

            bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            stoppedMidway += !finished;
            SCOPED_TRACE("signal " + std::to_string(stop.signal) + " after " + std::to_string(delay.count()) + " us");
            if (!finished) {
                ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == stop.signal) << "status " << status;
            }
            bool sourceLeft = fs::exists(work / "a");
            if (sourceLeft) {
                ASSERT_TRUE(ReadFileBytes(work / "a") == source) << "the source changed";
            }
            if (fs::exists(destination)) {
                std::string now = ReadFileBytes(destination);
                ASSERT_TRUE(now == source || (replace && now == old && sourceLeft)) << "a partial destination";
            } else {
                ASSERT_TRUE(sourceLeft) << "neither source nor destination";
                ASSERT_FALSE(replace) << "the old destination is gone";
            }
            std::vector<std::string> left = Temporaries(other);
            ASSERT_LE(left.size(), stop.signal == SIGKILL ? 1u : 0u);
            for (const std::string& name : left) {
                EXPECT_EQ(name.rfind(".b.repath-", 0), 0u) << name;
            }
        }
    }
    std::printf("stopped %d of %d copies midway (a copy takes %lld us)\n", stoppedMidway, tried,
                static_cast<long long>(copyTime.count()));
    EXPECT_GT(stoppedMidway, tried / 2) << "the stops should mostly land during the copy";
}

// 64 processes move 64 sources onto one destination at once. Each first
// reads a pipe that the test holds open, so that closing it lets all go.
void Race(const fs::path& work, const fs::path& destinationFolder, bool replace)
{
    const int racers = 64;
    int gate[2];
    ASSERT_EQ(pipe2(gate, O_CLOEXEC), 0);
    fs::path destination = destinationFolder / "target";
    std::vector<Child> children;
    for (int i = 0; i < racers; ++i) {
        WriteFileBytes(work / ("s" + std::to_string(i)), Pattern(256 << 10, 100 + i));
    }
    for (int i = 0; i < racers; ++i) {
        children.push_back(Start({"/bin/sh", "-c", "read _; exec \"$@\" </dev/null", "racer", REPATH_PROGRAM,
                                  replace ? "-rc" : "-c", "s" + std::to_string(i), destination.string()},
                                 work, work.parent_path() / (work.filename().string() + ".err" + std::to_string(i)),
                                 gate));
    }
    close(gate[0]);
    close(gate[1]); // every reader sees the end of input now
    int winners = 0;
    std::string destinationBytes = ReadFileBytes(destination);
    for (int i = 0; i < racers; ++i) {
        int status = Wait(children[i]);
        std::string err = ReadFileBytes(children[i].err);
        fs::remove(children[i].err);
        std::string name = "s" + std::to_string(i);
        ASSERT_TRUE(WIFEXITED(status)) << name;
        if (WEXITSTATUS(status) == 0) {
            ++winners;
            EXPECT_FALSE(fs::exists(work / name)) << name;
            EXPECT_EQ(err, "");
        } else {
            EXPECT_FALSE(replace) << name << ": " << err;
            EXPECT_EQ(WEXITSTATUS(status), 1);
            EXPECT_EQ(err, "File exists\n") << name;
            EXPECT_TRUE(ReadFileBytes(work / name) == Pattern(256 << 10, 100 + i))
                << name << ": a loser's source changed";
        }
    }
    destinationBytes = ReadFileBytes(destination);
    int matches = 0;
    for (int i = 0; i < racers; ++i) {
        matches += destinationBytes == Pattern(256 << 10, 100 + i);
    }
    EXPECT_EQ(matches, 1) << "the destination is one source's complete bytes";
    EXPECT_EQ(winners, replace ? racers : 1);
    EXPECT_TRUE(Temporaries(destinationFolder).empty());
}

TEST_F(Faults, RacingMovesOntoOneDestination)
{
    for (bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "with -r, one file system" : "without -r, one file system");
        fs::path folder = FreshFolder(work, "same");
        Race(work, folder, replace);
        fs::remove_all(folder);
        if (OtherVolume()) {
            SCOPED_TRACE("across file systems");
            Race(work, other, replace);
            fs::remove(other / "target");
        }
    }
    std::printf("racing processes: 64 per race, up to 4 races\n");
}

TEST_F(Faults, SpecialSourcesAcrossFileSystems)
{
    if (!OtherVolume()) {
        GTEST_SKIP() << REPATH_OTHER_VOLUME_DIR << " is on the file system of " << REPATH_SCRATCH_DIR;
    }
    WriteFileBytes(work / "target", "T");
    ASSERT_EQ(symlink((work / "target").c_str(), (work / "link").c_str()), 0);
    RunResult run = Run({"-c", "link", (other / "link").string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fs::read_symlink(other / "link"), work / "target");
    EXPECT_EQ(ReadFileBytes(work / "target"), "T");

    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::string socketPath = (work / "socket").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<struct sockaddr*>(&address), sizeof address), 0);
    close(sock);
    run = Run({"-c", "socket", (other / "socket").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Operation not supported\n");
    EXPECT_TRUE(fs::is_socket(work / "socket"));

    if (geteuid() == 0 && mknod((work / "device").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
        run = Run({"-c", "device", (other / "device").string()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "Operation not supported\n");
        EXPECT_TRUE(fs::is_character_file(work / "device"));
    }

    fs::create_directory(work / "dir");
    WriteFileBytes(work / "dir" / "inside", "I");
    run = Run({"-c", "dir", (other / "dir").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Invalid cross-device link\n");
    EXPECT_EQ(ReadFileBytes(work / "dir" / "inside"), "I");
    EXPECT_EQ(FolderContents(other), (Files{{"link", "T"}}));
}

// A source that changes while it is copied would leave a destination that is
// neither the old file nor the new one: the move fails and keeps the source.
TEST_F(Faults, SourceWrittenDuringTheCopyIsNotMoved)
{
    if (!OtherVolume()) {
        GTEST_SKIP() << REPATH_OTHER_VOLUME_DIR << " is on the file system of " << REPATH_SCRATCH_DIR;
    }
    WriteFileBytes(work / "a", Pattern(192 << 20, 6));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        int fd = open((work / "a").c_str(), O_WRONLY);
        for (unsigned n = 0; !done; ++n) {
            pwrite(fd, &n, sizeof n, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        close(fd);
    });
    RunResult run = Run({"-c", "a", (other / "b").string()});
    done = true;
    writer.join();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Device or resource busy\n");
    EXPECT_TRUE(fs::exists(work / "a"));
    EXPECT_EQ(fs::file_size(work / "a"), 192u << 20);
    EXPECT_TRUE(FolderContents(other).empty());
    EXPECT_TRUE(Temporaries(other).empty());
}

// The source name taken over by another file while the copy runs: the move
// fails, the newcomer is kept, and the destination is never partial.
TEST_F(Faults, SourceNameTakenOverDuringTheCopyIsKept)
{
    if (!OtherVolume()) {
        GTEST_SKIP() << REPATH_OTHER_VOLUME_DIR << " is on the file system of " << REPATH_SCRATCH_DIR;
    }
    const std::string original = Pattern(192 << 20, 7);
    WriteFileBytes(work / "a", original);
    WriteFileBytes(work / "newcomer", "NEW");
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        // Once the temporary file exists, the copy is under way.
        while (!done && Temporaries(other).empty()) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        if (!done) {
            fs::rename(work / "newcomer", work / "a");
        }
    });
    RunResult run = Run({"-c", "a", (other / "b").string()});
    done = true;
    swapper.join();
    ASSERT_FALSE(fs::exists(work / "newcomer")) << "the copy ended before the swap; nothing was shown";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Device or resource busy\n");
    EXPECT_EQ(ReadFileBytes(work / "a"), "NEW");
    EXPECT_TRUE(!fs::exists(other / "b") || ReadFileBytes(other / "b") == original) << "a partial destination";
    EXPECT_TRUE(Temporaries(other).empty());
}

TEST_F(Faults, HostileNames)
{
    const std::string longest(255, 'n');
    const std::string tooLong(256, 'n');
    WriteFileBytes(work / "a", "A");

    RunResult run = Run({"a", longest});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    run = Run({longest, tooLong});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "File name too long\n");
    EXPECT_EQ(FolderContents(work), (Files{{longest, "A"}}));
    if (OtherVolume()) {
        run = Run({"-c", longest, (other / longest).string()});
        EXPECT_EQ(run.exitCode, 0) << "the temporary name fits too: " << run.err;
        EXPECT_EQ(ReadFileBytes(other / longest), "A");
        ASSERT_EQ(Run({"-c", (other / longest).string(), longest}).exitCode, 0);
    }

    // Names that look like options, and empty ones.
    run = Run({longest, "-x"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    run = Run({"", "b"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "No such file or directory\n");
    run = Run({"-x", ""});
    EXPECT_EQ(run.exitCode, 0) << "'-x' as the first argument is an option: usage";
    run = Run({"./-x", ""});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "No such file or directory\n");
    EXPECT_EQ(FolderContents(work), (Files{{"-x", "A"}}));

    // A path longer than PATH_MAX, built one folder at a time.
    auto deepest = [&](bool make) {
        int fd = open(work.c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < 20; ++i) {
            std::string part(250, static_cast<char>('a' + i));
            if (make) {
                mkdirat(fd, part.c_str(), 0700);
            }
            int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = next;
        }
        return fd;
    };
    std::string relative;
    for (int i = 0; i < 20; ++i) {
        relative += std::string(250, static_cast<char>('a' + i)) + "/";
    }
    ASSERT_GT(relative.size(), 4096u);
    int fd = deepest(true);
    int file = openat(fd, "f", O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(write(file, "F", 1), 1);
    close(file);
    close(fd);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{relative + "f", relative + "g"}, std::vector<std::string>{relative + "f", "g"}}) {
        run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "File name too long\n");
    }
    fd = deepest(false);
    struct stat left;
    EXPECT_EQ(fstatat(fd, "f", &left, 0), 0) << "the file is where it was";
    EXPECT_NE(fstatat(fd, "g", &left, 0), 0);
    close(fd);
}

// Many arguments, and very long ones, reach the option walk intact.
TEST_F(Faults, LargeCommandLines)
{
    WriteFileBytes(work / "a", "A");
    WriteFileBytes(work / "b", "B");
    std::vector<std::string> args(20000, "-r");
    args.push_back("a");
    args.push_back("b");
    RunResult run = Run(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FolderContents(work), (Files{{"b", "A"}}));

    // One argument near the kernel's limit of 128 KiB: letters that replace.
    std::string letters = "-" + std::string(120 << 10, 'r');
    run = Run({letters, "b", "c"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string spaced = "-" + std::string(60 << 10, 'r') + " x";
    run = Run({spaced, "c", "d"});
    EXPECT_EQ(run.exitCode, 0) << "a blank inside an argument is no separator";
    EXPECT_FALSE(run.out.empty()) << "' ' and 'x' are bad letters: usage";
    EXPECT_EQ(FolderContents(work), (Files{{"c", "A"}}));
}

} // namespace
