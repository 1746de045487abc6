// Test helpers that only POSIX has: processes by id, file systems by device.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// Starts argv (argv[0] a path) in workDir, standard output and error to the
// files given (created or emptied), standard input from gate[0] when gate is
// set (the pipe's ends are closed in the child), else from /dev/null.
// Returns the process id, or -1 with the reason in *error.
pid_t StartProcess(const std::vector<std::string>& argv, const std::filesystem::path& workDir,
                   const std::filesystem::path& out, const std::filesystem::path& err, const int* gate,
                   std::string* error);

// The wait status of a started process.
int WaitProcess(pid_t process);

// Whether the two folders are on different file systems.
bool OnOtherFileSystems(const std::filesystem::path& a, const std::filesystem::path& b);
