// The POSIX side of the test helpers.
#include "support_posix.h"
#include "support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/command_line.h"
#include "platform/posix/text.h"

extern char** environ;

namespace fs = std::filesystem;

const long ExitCodeMinusOne = 255;

const DWORD ErrorFileExists = EEXIST;
const DWORD ErrorFileNotFound = ENOENT;
const DWORD ErrorNotSameDevice = EXDEV;

WideString Widen(std::string_view bytes)
{
    WCHAR* wide = WideFromBytes(bytes.data(), bytes.size(), nullptr);
    WideString result = wide;
    std::free(wide);
    return result;
}

std::string AnsiText(const WideString& wide)
{
    char* bytes = BytesFromWide(wide.c_str(), nullptr);
    std::string result = bytes != nullptr ? bytes : "(not convertible)";
    std::free(bytes);
    return result;
}

fs::path PathOf(const std::string& name)
{
    return name;
}

std::string NameOf(const fs::path& path)
{
    return path.generic_string();
}

WideString WidePath(const fs::path& path)
{
    return Widen(path.string());
}

WideString JoinedCommandLine(const std::vector<WideString>& vector)
{
    std::vector<LPCWSTR> pointers;
    for (const WideString& entry : vector) {
        pointers.push_back(entry.c_str());
    }
    LPWSTR line = JoinCommandLine(static_cast<int>(pointers.size()), pointers.data());
    WideString result = line;
    std::free(line);
    return result;
}

fs::path HostPath(const std::string& linuxPath)
{
    return linuxPath;
}

std::string TextModeBytes(std::string_view bytes)
{
    return std::string(bytes);
}

pid_t StartProcess(const std::vector<std::string>& argv, const fs::path& workDir, const fs::path& out,
                   const fs::path& err, const int* gate, std::string* error)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (gate != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, gate[0], 0);
        posix_spawn_file_actions_addclose(&actions, gate[0]);
        posix_spawn_file_actions_addclose(&actions, gate[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());

    std::vector<std::string> copies = argv;
    std::vector<char*> pointers;
    for (std::string& arg : copies) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    pid_t process = -1;
    int failed = posix_spawn(&process, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        *error = std::string("posix_spawn failed: ") + std::strerror(failed);
        return -1;
    }
    return process;
}

int WaitProcess(pid_t process)
{
    int status = 0;
    while (waitpid(process, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

bool OnOtherFileSystems(const fs::path& a, const fs::path& b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev != second.st_dev;
}

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& workDir)
{
    fs::path captures = FreshFolder(workDir.parent_path(), workDir.filename().string() + ".captured");

    // With REPATH_TEST_VALGRIND set, each run is checked by valgrind, which
    // exits with 97 on any error or leak. Valgrind cannot follow a static
    // program's heap, so the variable names a dynamically linked build of the
    // same program to run in its place.
    std::vector<std::string> argv = {program.string()};
    if (const char* dynamic = std::getenv("REPATH_TEST_VALGRIND"); dynamic != nullptr) {
        argv = {"/usr/bin/valgrind",
                "--quiet",
                "--error-exitcode=97",
                "--leak-check=full",
                "--show-leak-kinds=definite,indirect,possible",
                "--errors-for-leak-kinds=definite,indirect,possible",
                program.string() == REPATH_PROGRAM ? std::string(dynamic) : program.string()};
    }
    argv.insert(argv.end(), args.begin(), args.end());

    RunResult result = {-2, {}, {}};
    pid_t process = StartProcess(argv, workDir, captures / "out", captures / "err", nullptr, &result.err);
    if (process >= 0) {
        int status = WaitProcess(process);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = ReadFileBytes(captures / "out");
        result.err = ReadFileBytes(captures / "err");
    }
    fs::remove_all(captures);
    return result;
}
