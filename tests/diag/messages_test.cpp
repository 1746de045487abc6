#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "diag/messages.h"
#include "support.h"

namespace {

const DWORD CodeWithoutText = 0xDEADBEEF;

struct Report {
    DWORD code;
    const WCHAR* subject;
};

std::string ReportOf(DWORD code, const WCHAR* subject)
{
    Report report = {code, subject};
    return CaptureStandardError(
        [](const void* context) {
            const Report* r = static_cast<const Report*>(context);
            SetLastError(r->code);
            ReportWin32Error(r->subject);
        },
        &report);
}

std::string Wrapped(const std::string& ansiText)
{
    return TextModeBytes(WrappedOemMessage(ansiText));
}

std::vector<std::string> LinesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : bytes) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    lines.push_back(line); // what follows the last break
    return lines;
}

std::vector<std::string> WordsOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

class ReportWin32ErrorTest : public testing::Test {
protected:
    void SetUp() override
    {
        fileNotFound = SystemText(ErrorFileNotFound);
        ASSERT_FALSE(fileNotFound.empty()) << "the platform has no text for file-not-found";
        ASSERT_TRUE(SystemText(CodeWithoutText).empty()) << "the platform has a text for 0xDEADBEEF";
    }
    std::string fileNotFound;
};

// One row per format: subject present or not (an empty one counts as none),
// system text found or not.
TEST_F(ReportWin32ErrorTest, PicksTheFormatBySubjectAndText)
{
    WideString subject = Widen("copy");
    WideString empty;
    struct Row {
        const char* name;
        DWORD code;
        const WCHAR* subject;
        std::string expected;
    };
    const Row rows[] = {
        {"subject, text", ErrorFileNotFound, subject.c_str(), Wrapped("copy: " + fileNotFound)},
        {"subject, no text", CodeWithoutText, subject.c_str(), Wrapped("copy: Win32 error 3735928559")},
        {"no subject, text", ErrorFileNotFound, nullptr, Wrapped(fileNotFound)},
        {"no subject, no text", CodeWithoutText, nullptr, TextModeBytes("Win32 error 3735928559\n")},
        {"empty subject, text", ErrorFileNotFound, empty.c_str(), Wrapped(fileNotFound)},
        {"empty subject, no text", CodeWithoutText, empty.c_str(), TextModeBytes("Win32 error 3735928559\n")},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReportOf(row.code, row.subject), row.expected) << row.name;
    }
}

TEST_F(ReportWin32ErrorTest, LongMessageBreaksAtWhiteSpaceWithinTheWidth)
{
    std::string subjectText;
    for (int i = 0; i < 14; ++i) {
        subjectText += (i ? " " : "") + std::string("subject") + std::to_string(i);
    }
    std::string message = subjectText + ": " + fileNotFound;
    ASSERT_GT(message.size(), 78u);

    std::string output = ReportOf(ErrorFileNotFound, Widen(subjectText).c_str());

    EXPECT_EQ(output, Wrapped(message));
    std::vector<std::string> lines = LinesOf(output);
    ASSERT_GE(lines.size(), 3u) << "two lines of text and the final break";
    EXPECT_EQ(lines.back(), "") << "the message ends with a line break";
    std::string rejoined;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), 78u) << line;
        rejoined += line + " ";
    }
    EXPECT_EQ(WordsOf(rejoined), WordsOf(message));
}

TEST_F(ReportWin32ErrorTest, NonAsciiSubjectArrivesInTheOemCodePage)
{
    WideString subject = Widen("caf\xC3\xA9"); // U+00E9
    std::string output = ReportOf(ErrorFileNotFound, subject.c_str());

    EXPECT_EQ(output, Wrapped(AnsiText(subject) + ": " + fileNotFound));
#ifdef _WIN32
    if (GetACP() == 1252 && GetOEMCP() == 437) {
        EXPECT_EQ(output.substr(0, 5), "caf\x82:") << "U+00E9 is 0xE9 in code page 1252, 0x82 in 437";
    }
#endif
}

// A system text may carry insert sequences of its own; asked for without
// arguments they must come through as they are, not lose the whole text.
TEST_F(ReportWin32ErrorTest, SystemTextWithInsertSequencesIsReportedAsItIs)
{
    DWORD code = 0;
    std::string text;
    for (DWORD candidate = 1; candidate < 20000 && text.empty(); ++candidate) {
        std::string found = SystemText(candidate);
        if (found.find("%1") != std::string::npos) {
            code = candidate;
            text = found;
        }
    }
    if (text.empty()) {
        GTEST_SKIP() << "no system text here holds an insert sequence";
    }
    std::string output = ReportOf(code, nullptr);
    EXPECT_EQ(output, Wrapped(text)) << "code " << code;
    EXPECT_NE(output.find("%1"), std::string::npos);
}

class WriteOemMessageTest : public testing::Test {
protected:
    void SetUp() override
    {
        file = FreshFolder(std::filesystem::temp_directory_path(), "repath-write-oem") / "stream";
        stream = std::fopen(file.string().c_str(), "wb");
        ASSERT_NE(stream, nullptr);
        // Fully buffered, so only a flush puts the bytes in the file.
        std::setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    }
    void TearDown() override
    {
        if (stream != nullptr) {
            std::fclose(stream);
        }
        std::filesystem::remove_all(file.parent_path());
    }
    std::filesystem::path file;
    FILE* stream = nullptr;
};

TEST_F(WriteOemMessageTest, WritesTheFinishedMessage)
{
    WideString subject = Widen("name");
    EXPECT_TRUE(WriteOemMessage(stream, "%1!ws!: %2%%n", subject.c_str(), "it went wrong"));
    EXPECT_EQ(ReadFileBytes(file), WrappedOemMessage("name: it went wrong"));
}

// Some C runtimes flush at a line break; a message without one shows that
// the flush is the routine's own.
TEST_F(WriteOemMessageTest, FlushesAMessageWithoutALineBreak)
{
    EXPECT_TRUE(WriteOemMessage(stream, "%1", "no line break"));
    EXPECT_EQ(ReadFileBytes(file), "no line break");
}

TEST_F(WriteOemMessageTest, InsertedTextIsNotFormattedAgain)
{
    EXPECT_TRUE(WriteOemMessage(stream, "%1%%n", "100%% of %1 and %2!u!"));
    EXPECT_EQ(ReadFileBytes(file), WrappedOemMessage("100%% of %1 and %2!u!"));
}

TEST_F(WriteOemMessageTest, FailedFormattingWritesNothing)
{
    EXPECT_FALSE(WriteOemMessage(stream, "%1!ws", "unterminated"));
    std::fflush(stream);
    EXPECT_EQ(ReadFileBytes(file), "");
}

} // namespace
