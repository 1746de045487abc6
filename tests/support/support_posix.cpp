// The POSIX side of the test helpers.
#include "support.h"

#include <fcntl.h>
#include <spawn.h>
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

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& workDir)
{
    fs::path captures = FreshFolder(workDir.parent_path(), workDir.filename().string() + ".captured");
    std::string out = (captures / "out").string();
    std::string err = (captures / "err").string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());

    // With REPATH_TEST_VALGRIND set, each run is checked by valgrind, which
    // exits with 97 on any error or leak. Valgrind cannot follow a static
    // program's heap, so the variable names a dynamically linked build of the
    // same program to run in its place.
    std::string programPath = program.string();
    std::vector<std::string> copies;
    if (const char* dynamic = std::getenv("REPATH_TEST_VALGRIND"); dynamic != nullptr) {
        copies = {"--quiet",
                  "--error-exitcode=97",
                  "--leak-check=full",
                  "--show-leak-kinds=definite,indirect,possible",
                  "--errors-for-leak-kinds=definite,indirect,possible",
                  programPath == REPATH_PROGRAM ? std::string(dynamic) : programPath};
        programPath = "/usr/bin/valgrind";
    }
    std::vector<char*> argv = {programPath.data()};
    copies.insert(copies.end(), args.begin(), args.end());
    for (std::string& arg : copies) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    RunResult result = {-2, {}, {}};
    pid_t child;
    int error = posix_spawn(&child, programPath.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        result.err = std::string("posix_spawn failed: ") + std::strerror(error);
        fs::remove_all(captures);
        return result;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFileBytes(out);
    result.err = ReadFileBytes(err);
    fs::remove_all(captures);
    return result;
}
