// The POSIX MoveFileExW on real files: what the file systems are left holding.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support.h"
#include "support_posix.h"

namespace fs = std::filesystem;

namespace {

// A skip must come from the test's own body to end it.
#define REQUIRE_OTHER_VOLUME()                                                                                         \
    if (!OtherVolume()) {                                                                                              \
        GTEST_SKIP() << REPATH_OTHER_VOLUME_DIR << " is on the file system of " << REPATH_SCRATCH_DIR;                 \
    }

class PosixMove : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        work = FreshFolder(REPATH_SCRATCH_DIR, "posix_move_" + name);
        other = FreshFolder(REPATH_OTHER_VOLUME_DIR, "repath-posix-move-" + name);
    }
    void TearDown() override
    {
        fs::remove_all(work);
        fs::remove_all(other);
    }

    // The call's result, and the last error when it failed.
    DWORD Move(const fs::path& from, const fs::path& to, DWORD flags)
    {
        SetLastError(0);
        return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), flags) ? 0 : GetLastError();
    }

    bool OtherVolume() { return OnOtherFileSystems(work, other); }

    static struct stat Stat(const fs::path& path)
    {
        struct stat result = {};
        EXPECT_EQ(lstat(path.c_str(), &result), 0) << path;
        return result;
    }

    fs::path work;
    fs::path other;
};

TEST_F(PosixMove, NameOntoItselfSucceedsAndChangesNothing)
{
    WriteFileBytes(work / "a", "A");
    for (DWORD flags : {0u, 0x01u, 0x10u, 0x11u}) {
        EXPECT_EQ(Move(work / "a", work / "a", flags), 0u) << flags;
        EXPECT_EQ(Move(work / "a", work / "." / "a", flags), 0u) << flags;
    }
    EXPECT_EQ(FolderContents(work), (std::map<std::string, std::string>{{"a", "A"}}));
}

TEST_F(PosixMove, OtherNameOfTheSameFileIsRefused)
{
    WriteFileBytes(work / "a", "A");
    ASSERT_EQ(link((work / "a").c_str(), (work / "b").c_str()), 0);
    EXPECT_EQ(Move(work / "a", work / "b", 0), static_cast<DWORD>(EEXIST));
    EXPECT_EQ(Move(work / "a", work / "b", MOVEFILE_REPLACE_EXISTING), static_cast<DWORD>(EEXIST));
    EXPECT_EQ(Stat(work / "a").st_nlink, 2u) << "both names stay";
}

TEST_F(PosixMove, DirectoriesAreNeverReplacedNorReplaceAnything)
{
    WriteFileBytes(work / "a", "A");
    fs::create_directory(work / "dir");
    fs::create_directory(work / "empty");
    EXPECT_EQ(Move(work / "a", work / "dir", MOVEFILE_REPLACE_EXISTING), static_cast<DWORD>(EISDIR));
    EXPECT_EQ(Move(work / "dir", work / "empty", MOVEFILE_REPLACE_EXISTING), static_cast<DWORD>(EEXIST));
    EXPECT_TRUE(fs::is_directory(work / "dir"));
    EXPECT_TRUE(fs::is_directory(work / "empty"));
    EXPECT_EQ(Move(work / "dir", work / "renamed", 0), 0u);
    EXPECT_TRUE(fs::is_directory(work / "renamed"));
}

TEST_F(PosixMove, HardLinkKeepsTheSource)
{
    WriteFileBytes(work / "a", "A");
    WriteFileBytes(work / "old", "OLD");
    EXPECT_EQ(Move(work / "a", work / "b", MOVEFILE_CREATE_HARDLINK), 0u);
    EXPECT_EQ(Move(work / "a", work / "old", MOVEFILE_CREATE_HARDLINK), static_cast<DWORD>(EEXIST));
    EXPECT_EQ(ReadFileBytes(work / "old"), "OLD");
    EXPECT_EQ(Move(work / "a", work / "old", MOVEFILE_CREATE_HARDLINK | MOVEFILE_REPLACE_EXISTING), 0u);
    EXPECT_EQ(Stat(work / "a").st_ino, Stat(work / "b").st_ino);
    EXPECT_EQ(Stat(work / "a").st_ino, Stat(work / "old").st_ino);
    EXPECT_EQ(Stat(work / "a").st_nlink, 3u);
    EXPECT_EQ(FolderContents(work).size(), 3u) << "no temporary link left";
}

TEST_F(PosixMove, HardLinkAcrossFileSystemsMoves)
{
    REQUIRE_OTHER_VOLUME();
    WriteFileBytes(work / "a", "A");
    EXPECT_EQ(Move(work / "a", other / "b", MOVEFILE_CREATE_HARDLINK), static_cast<DWORD>(EXDEV));
    EXPECT_EQ(Move(work / "a", other / "b", MOVEFILE_CREATE_HARDLINK | MOVEFILE_COPY_ALLOWED), 0u);
    EXPECT_FALSE(fs::exists(work / "a"));
    EXPECT_EQ(ReadFileBytes(other / "b"), "A");
}

TEST_F(PosixMove, FlagsWithNothingToDoHereAreRefused)
{
    WriteFileBytes(work / "a", "A");
    EXPECT_EQ(Move(work / "a", work / "b", MOVEFILE_DELAY_UNTIL_REBOOT), static_cast<DWORD>(ENOTSUP));
    EXPECT_EQ(Move(work / "a", work / "b", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED),
              static_cast<DWORD>(ENOTSUP));
    EXPECT_EQ(Move(work / "a", work / "b", 0x40), static_cast<DWORD>(EINVAL));
    EXPECT_EQ(FolderContents(work), (std::map<std::string, std::string>{{"a", "A"}}));
    EXPECT_EQ(Move(work / "a", work / "b", MOVEFILE_FAIL_IF_NOT_TRACKABLE | MOVEFILE_WRITE_THROUGH), 0u);
    EXPECT_EQ(FolderContents(work), (std::map<std::string, std::string>{{"b", "A"}}));
}

TEST_F(PosixMove, NamesNoBytesStandForAreRefused)
{
    WriteFileBytes(work / "a", "A");
    WideString bad = WidePath(work / "b");
    bad += static_cast<WCHAR>(0xD800);
    EXPECT_FALSE(MoveFileExW(WidePath(work / "a").c_str(), bad.c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EILSEQ));
    EXPECT_EQ(FolderContents(work), (std::map<std::string, std::string>{{"a", "A"}}));
}

TEST_F(PosixMove, CopyAcrossKeepsDataAndMetadata)
{
    REQUIRE_OTHER_VOLUME();
    fs::path source = work / "a";
    int fd = open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0640);
    ASSERT_GE(fd, 0);
    const off_t size = 64 << 20;
    const std::string data(1 << 20, 'd');
    ASSERT_EQ(pwrite(fd, data.data(), data.size(), 16 << 20), static_cast<ssize_t>(data.size()));
    ASSERT_EQ(ftruncate(fd, size), 0);
    bool haveAttribute = fsetxattr(fd, "user.repath", "kept", 4, 0) == 0;
    struct timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
    ASSERT_EQ(futimens(fd, times), 0);
    ASSERT_EQ(fchmod(fd, 0751), 0);
    close(fd);
    struct stat before = Stat(source);

    ASSERT_EQ(Move(source, other / "b", MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH), 0u);

    EXPECT_FALSE(fs::exists(source));
    struct stat after = Stat(other / "b");
    EXPECT_EQ(after.st_size, size);
    EXPECT_EQ(after.st_mode & 07777, 0751u);
    EXPECT_EQ(after.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(after.st_mtim.tv_nsec, 987654321);
    EXPECT_EQ(after.st_atim.tv_sec, 1000000000);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_LE(after.st_blocks * 512, before.st_blocks * 512 + (1 << 20)) << "the holes stay holes";
    std::string copied = ReadFileBytes(other / "b");
    EXPECT_EQ(copied.substr(16 << 20, data.size()), data);
    EXPECT_EQ(copied.find_first_not_of('\0', (16 << 20) + data.size()), std::string::npos);
    if (haveAttribute) {
        char value[8] = {};
        EXPECT_EQ(getxattr((other / "b").c_str(), "user.repath", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
    EXPECT_EQ(FolderContents(other).size(), 1u) << "no temporary file left";
}

TEST_F(PosixMove, CopyAcrossNeverClobbersWithoutReplace)
{
    REQUIRE_OTHER_VOLUME();
    WriteFileBytes(work / "a", "A");
    WriteFileBytes(other / "b", "B");
    EXPECT_EQ(Move(work / "a", other / "b", MOVEFILE_COPY_ALLOWED), static_cast<DWORD>(EEXIST));
    EXPECT_EQ(ReadFileBytes(work / "a"), "A");
    EXPECT_EQ(FolderContents(other), (std::map<std::string, std::string>{{"b", "B"}}));
    fs::create_directory(other / "dir");
    EXPECT_EQ(Move(work / "a", other / "dir", MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING),
              static_cast<DWORD>(EISDIR));
    EXPECT_EQ(ReadFileBytes(work / "a"), "A");
    EXPECT_EQ(FolderContents(other), (std::map<std::string, std::string>{{"b", "B"}}));
}

TEST_F(PosixMove, SpecialSourcesAcross)
{
    REQUIRE_OTHER_VOLUME();
    ASSERT_EQ(symlink("nowhere/at/all", (work / "dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((work / "fifo").c_str(), 0604), 0);
    fs::create_directory(work / "dir");

    EXPECT_EQ(Move(work / "dangling", other / "link", MOVEFILE_COPY_ALLOWED), 0u);
    EXPECT_EQ(fs::read_symlink(other / "link"), "nowhere/at/all");
    EXPECT_FALSE(fs::is_symlink(work / "dangling"));

    EXPECT_EQ(Move(work / "fifo", other / "fifo", MOVEFILE_COPY_ALLOWED), 0u);
    EXPECT_TRUE(S_ISFIFO(Stat(other / "fifo").st_mode));
    EXPECT_EQ(Stat(other / "fifo").st_mode & 07777, 0604u);
    EXPECT_FALSE(fs::exists(work / "fifo"));

    EXPECT_EQ(Move(work / "dir", other / "dir", MOVEFILE_COPY_ALLOWED), static_cast<DWORD>(EXDEV));
    EXPECT_TRUE(fs::is_directory(work / "dir"));
    EXPECT_FALSE(fs::exists(other / "dir"));
}

TEST_F(PosixMove, SymbolicLinkIsMovedNotFollowed)
{
    WriteFileBytes(work / "target", "T");
    ASSERT_EQ(symlink("target", (work / "link").c_str()), 0);
    EXPECT_EQ(Move(work / "link", work / "moved", 0), 0u);
    EXPECT_EQ(fs::read_symlink(work / "moved"), "target");
    EXPECT_EQ(ReadFileBytes(work / "target"), "T");
}

} // namespace
