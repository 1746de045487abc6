#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/posix/win32_standin.h"

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    // Never standard output or error: those belong to the program's own
    // output, and a script reading them must not see the box.
    int terminal = open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (terminal >= 0) {
        const char* parts[] = {caption, ": ", text, "\n"};
        for (const char* part : parts) {
            ssize_t ignored = write(terminal, part, std::strlen(part));
            (void)ignored;
        }
        close(terminal);
    }
    return IDOK;
}

void ExitProcess(UINT code)
{
    _exit(static_cast<int>(code & 0xFF));
}
