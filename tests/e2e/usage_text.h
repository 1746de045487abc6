// The usage text as a reader sees it, paragraph by paragraph, kept apart
// from the program's own copy so that a slip in either shows.
#pragma once

#include <string>
#include <vector>

inline const std::vector<std::vector<std::string>> UsageParagraphs = {
    {"Command line access to the MoveFileEx() API function."},
    {"Usage:", "REPATH [options] sourcefile destfile"},
    {"-c     If the file is to be moved to a different volume, the move is simulated",
     "       by copying and deleting."},
    {"       This flag cannot be used with the -b flag."},
    {"-h     If moving within the same filesystem, create a new hard link instead of",
     "       moving file. This flag requires Windows 2000 or later, it is ignored on",
     "       earlier versions of Windows NT."},
    {"-b     The file is not moved until the operating system is restarted. The",
     "       system moves the file immediately after AUTOCHK is executed, but before",
     "       creating any paging files. Consequently, this parameter enables deleting",
     "       paging files from previous startups."},
    {"       This flag can only be used by a user who belongs to the administrators",
     "       group or the LocalSystem account."},
    {"       This flag cannot be used with the -c flag."},
    {"-t     The move fails if the source file is a link source, but the file cannot",
     "       be tracked after the move. This situation can occur if the destination",
     "       is a volume formatted with the FAT file system. This flag requires", "       Windows 2000 or later."},
    {"-r     If a file of the name specified by destfile already exists, the system",
     "       replaces its contents with those specified by sourcefile."},
    {"-s     The program does not exit until the file has actually been moved on the", "       disk."},
    {"       Setting this flag guarantees that a move performed as a copy and delete",
     "       operation is flushed to disk before the program exits. The flush occurs",
     "       at the end of the copy operation."},
    {"       This flag has no effect if the -b flag is set."},
};

// The bytes puts hands the stream: CR LF inside a paragraph, CR LF LF
// between two, and puts' own LF at the end.
inline std::string UsageAsPut()
{
    std::string text;
    for (size_t p = 0; p < UsageParagraphs.size(); ++p) {
        for (size_t l = 0; l < UsageParagraphs[p].size(); ++l) {
            text += UsageParagraphs[p][l];
            if (l + 1 < UsageParagraphs[p].size()) {
                text += "\r\n";
            }
        }
        text += p + 1 < UsageParagraphs.size() ? "\r\n\n" : "\n";
    }
    return text;
}
