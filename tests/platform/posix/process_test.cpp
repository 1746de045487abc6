// The error box and the process end, where there is no window system.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support.h"

namespace {

// Runs MessageBoxA in a child whose controlling terminal is a new
// pseudo-terminal, with standard output and error going to a pipe. Returns
// what the terminal showed and what the pipe got.
void BoxInChild(std::string* terminal, std::string* streams)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::string slaveName = ptsname(master);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setsid();
        int slave = open(slaveName.c_str(), O_RDWR); // becomes the controlling terminal
        dup2(pipeEnds[1], 1);
        dup2(pipeEnds[1], 2);
        close(pipeEnds[0]);
        int answer = MessageBoxA(nullptr, "This program requires Windows NT.", "Incompatible Windows version",
                                 MB_OK | MB_ICONERROR);
        close(slave);
        _exit(answer == IDOK ? 0 : 1);
    }
    close(pipeEnds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    char buffer[512];
    struct pollfd ready = {master, POLLIN, 0};
    while (poll(&ready, 1, 100) > 0 && (ready.revents & POLLIN)) {
        ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        terminal->append(buffer, static_cast<std::size_t>(got));
    }
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        streams->append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    close(master);
}

TEST(MessageBox, ShowsOnTheTerminalNeverOnTheStreams)
{
    std::string terminal, streams;
    BoxInChild(&terminal, &streams);
    // The terminal turns LF into CR LF on its way out.
    EXPECT_EQ(terminal, "Incompatible Windows version: This program requires Windows NT.\r\n");
    EXPECT_EQ(streams, "");
}

TEST(MessageBox, WithoutATerminalShowsNothingAndAnswersOk)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setsid(); // no controlling terminal now
        int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        dup2(devNull, 2);
        _exit(MessageBoxA(nullptr, "text", "caption", MB_OK) == IDOK ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ExitProcess, EndsAtOnceWithoutFlushingAndKeepsTheLowByte)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        close(pipeEnds[0]);
        std::setvbuf(stdout, nullptr, _IOFBF, 4096);
        std::fputs("buffered", stdout);
        ExitProcess(0xFFFFFFFFu);
    }
    close(pipeEnds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    char buffer[16];
    EXPECT_EQ(read(pipeEnds[0], buffer, sizeof buffer), 0) << "nothing flushed";
    close(pipeEnds[0]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);
}

} // namespace
