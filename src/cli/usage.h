#pragma once

// Printed with puts for a command line that cannot be used. Lines within a
// paragraph end in CR LF; paragraphs are parted by CR LF LF; the last line
// has no break, since puts adds one.
extern const char UsageText[];
