#include "cli/usage.h"

#define LINE "\r\n"
#define PARAGRAPH "\r\n\n"

// One source line per line of text.
// clang-format off
const char UsageText[] =
    "Command line access to the MoveFileEx() API function." PARAGRAPH
    "Usage:" LINE
    "REPATH [options] sourcefile destfile" PARAGRAPH
    "-c     If the file is to be moved to a different volume, the move is simulated" LINE
    "       by copying and deleting." PARAGRAPH
    "       This flag cannot be used with the -b flag." PARAGRAPH
    "-h     If moving within the same filesystem, create a new hard link instead of" LINE
    "       moving file. This flag requires Windows 2000 or later, it is ignored on" LINE
    "       earlier versions of Windows NT." PARAGRAPH
    "-b     The file is not moved until the operating system is restarted. The" LINE
    "       system moves the file immediately after AUTOCHK is executed, but before" LINE
    "       creating any paging files. Consequently, this parameter enables deleting" LINE
    "       paging files from previous startups." PARAGRAPH
    "       This flag can only be used by a user who belongs to the administrators" LINE
    "       group or the LocalSystem account." PARAGRAPH
    "       This flag cannot be used with the -c flag." PARAGRAPH
    "-t     The move fails if the source file is a link source, but the file cannot" LINE
    "       be tracked after the move. This situation can occur if the destination" LINE
    "       is a volume formatted with the FAT file system. This flag requires" LINE
    "       Windows 2000 or later." PARAGRAPH
    "-r     If a file of the name specified by destfile already exists, the system" LINE
    "       replaces its contents with those specified by sourcefile." PARAGRAPH
    "-s     The program does not exit until the file has actually been moved on the" LINE
    "       disk." PARAGRAPH
    "       Setting this flag guarantees that a move performed as a copy and delete" LINE
    "       operation is flushed to disk before the program exits. The flush occurs" LINE
    "       at the end of the copy operation." PARAGRAPH
    "       This flag has no effect if the -b flag is set.";
// clang-format on
