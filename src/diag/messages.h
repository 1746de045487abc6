#pragma once

#include <cstdio>

#include "platform/win32.h"

// Width at which messages are wrapped; only the low 8 bits are used.
extern const DWORD MessageLineWidth;

// The format of a report, by whether it has a subject and whether the system
// had a text for the error. The last one ("Win32 error %u\n") is a printf
// format; the others use the FormatMessage insert syntax.
const char* ReportFormat(bool hasSubject, bool hasSystemText);

// Reports the calling thread's last error on standard error, led by
// "subject: " when subject is non-null and non-empty.
void ReportWin32Error(const WCHAR* subject);

// Formats a message with FormatMessage inserts, wraps it at MessageLineWidth,
// converts it to the OEM code page, writes it to stream and flushes. Returns
// false, having written nothing, when formatting fails.
bool WriteOemMessage(FILE* stream, const char* format, ...);
