// The real process entry, but with a command-line split that fails and an
// error box that records what it was asked to show in the file named by the
// first argument.
#include <cstdio>

#include "cli/entry.h"

namespace {

const char* recordPath = nullptr;

LPWSTR* WINAPI FailingSplit(LPCWSTR, int*)
{
    return nullptr;
}

int WINAPI RecordingBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    FILE* record = std::fopen(recordPath, "wb");
    if (record != nullptr) {
        std::fprintf(record, "owner=%s\ntype=0x%x\ncaption=%s\ntext=%s\n", owner == nullptr ? "none" : "some",
                     static_cast<unsigned>(type), caption, text);
        std::fclose(record);
    }
    return IDOK;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        return 2;
    }
    recordPath = argv[1];
    ProgramEntryWith({GetCommandLineW, FailingSplit, RecordingBox, ExitProcess});
}
