// FormatMessageA from a string, on the platform's own function: the same
// table holds Windows (under Wine) and the POSIX stand-in to one behaviour.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

// The inserts a row passes, in order.
enum class Inserts { None, S, SS, WsS, WsU, U };

struct FormatCase {
    const char* name;
    DWORD flags; // besides FROM_STRING and ALLOCATE_BUFFER
    const char* source;
    Inserts inserts;
    const char* first;
    const char* second;
    unsigned number;
    const char* expected; // with CR LF for each line break; null: the call fails
};

const DWORD Ignore = FORMAT_MESSAGE_IGNORE_INSERTS;
const DWORD MaxWidth = FORMAT_MESSAGE_MAX_WIDTH_MASK;

const char* const LongSubject =
    "C:\\Users\\someone\\Documents\\a folder with a long name\\and a file name that goes on.txt";
const char* const LongText = "The process cannot access the file because it is being used by another process.";
const char* const LongLine =
    "A system text that is longer than one line of seventy-eight columns, so it wraps somewhere.";

// clang-format off
const FormatCase FormatCases[] = {
    // Wrapping: a line that reaches the width breaks at its last space.
    {"fits_below_width",       11, "short long line", Inserts::None, nullptr, nullptr, 0, "short long\r\nline"},
    {"reaching_width_breaks",  10, "short long line", Inserts::None, nullptr, nullptr, 0, "short\r\nlong line"},
    {"word_of_width",           8, "shortlon", Inserts::None, nullptr, nullptr, 0, "shortlon\r\n"},
    {"longer_word_is_cut",      8, "shortlongline", Inserts::None, nullptr, nullptr, 0, "shortlon\r\ngline"},
    {"spaces_before_break_go", 16, "short long    line", Inserts::None, nullptr, nullptr, 0, "short long\r\nline"},
    {"spaces_after_break_stay",12, "short long    line", Inserts::None, nullptr, nullptr, 0, "short long\r\n  line"},
    {"leading_spaces",         11, "   shortlong line", Inserts::None, nullptr, nullptr, 0, "\r\nshortlong\r\nline"},
    {"hard_break_and_wrap",     8, "short%nlong line", Inserts::None, nullptr, nullptr, 0, "short\r\nlong\r\nline"},
    {"blank_line_after_cut",    4, "aaaa bbbb", Inserts::None, nullptr, nullptr, 0, "aaaa\r\n\r\nbbbb\r\n"},
    {"width_one",               1, "ab c", Inserts::None, nullptr, nullptr, 0, "a\r\nb\r\n\r\nc\r\n"},
    {"run_of_spaces",           3, "a    b", Inserts::None, nullptr, nullptr, 0, "a\r\n\r\nb"},
    {"tab_is_no_break",         5, "ab\tcdefgh", Inserts::None, nullptr, nullptr, 0, "ab\tcd\r\nefgh"},
    {"hard_break_keeps_spaces", 5, "ab %n cd", Inserts::None, nullptr, nullptr, 0, "ab \r\n cd"},
    {"wrap_then_hard_break",    5, "abcd %ncd", Inserts::None, nullptr, nullptr, 0, "abcd\r\n\r\ncd"},
    {"fixed_spaces_never_break",5, "ab% % % cd", Inserts::None, nullptr, nullptr, 0, "ab   \r\ncd"},
    {"fixed_spaces_dropped",    5, "a% %  bc", Inserts::None, nullptr, nullptr, 0, "a\r\nbc"},
    {"carriage_return_restarts",3, "ab%rcd", Inserts::None, nullptr, nullptr, 0, "ab\rcd"},
    // Line breaks of the text itself.
    {"breaks_kept_at_width_0",  0, "a\r\nb\nc\rd", Inserts::None, nullptr, nullptr, 0, "a\r\nb\r\nc\r\nd"},
    {"breaks_spaced_at_max",    MaxWidth, "a\r\nb\nc\rd", Inserts::None, nullptr, nullptr, 0, "a b c d"},
    {"breaks_spaced_in_wrap",  20, "a\r\nb\nc\rd", Inserts::None, nullptr, nullptr, 0, "a b c d"},
    {"hard_break_at_max",       MaxWidth, "x%ny", Inserts::None, nullptr, nullptr, 0, "x\r\ny"},
    // Escapes, with and without inserts.
    {"escapes",                 0, "%. %! % %r%t", Inserts::None, nullptr, nullptr, 0, ". !  \r\t"},
    {"escapes_ignoring_inserts",Ignore, "%. %! % %r%t", Inserts::None, nullptr, nullptr, 0, "%. %! % \r\t"},
    {"inserts_pass_through",    Ignore, "%1 %2!u! %% %n %0x", Inserts::None, nullptr, nullptr, 0, "%1 %2!u! %% \r\n "},
    {"passed_inserts_wrap",     Ignore | 4, "ab %1 cd ef", Inserts::None, nullptr, nullptr, 0, "ab\r\n%1\r\ncd\r\nef"},
    {"end_of_message",          0, "ab%0cd", Inserts::None, nullptr, nullptr, 0, "ab"},
    {"empty_message_fails",     0, "%0", Inserts::None, nullptr, nullptr, 0, nullptr},
    {"trailing_percent_fails",  0, "100%", Inserts::None, nullptr, nullptr, 0, nullptr},
    {"trailing_percent_ignoring",Ignore, "a%", Inserts::None, nullptr, nullptr, 0, nullptr},
    {"unclosed_format_fails",   0, "%1!s", Inserts::S, "a", nullptr, 0, nullptr},
    {"empty_result_fails",      0, "%1", Inserts::S, "", nullptr, 0, nullptr},
    // Inserts.
    {"wide_and_unsigned",       0, "%1!ws! %2!u!", Inserts::WsU, "wide", nullptr, 42, "wide 42"},
    {"largest_unsigned",        0, "%1!u!", Inserts::U, nullptr, nullptr, 4294967295u, "4294967295"},
    {"out_of_order",            0, "%2 %1", Inserts::SS, "x", "y", 0, "y x"},
    {"null_string",             0, "%1!s!", Inserts::S, nullptr, nullptr, 0, "(null)"},
    {"inserted_text_not_parsed",0, "%1", Inserts::S, "%2 100%% %n", nullptr, 0, "%2 100%% %n"},
    {"insert_is_never_broken",  5, "ab %1 x", Inserts::S, "cdefghijklmn", nullptr, 0, "ab\r\ncdefghijklmn\r\nx"},
    {"insert_counts_in_full",   8, "%1 %2", Inserts::SS, "aaa", "bbbbbbbbbbbbb", 0, "aaa\r\nbbbbbbbbbbbbb"},
    {"insert_reaching_width",   6, "abcd%1", Inserts::S, "e f", nullptr, 0, "abcde f\r\n"},
    {"number_wraps_as_a_word", 10, "x %1!u! yy", Inserts::U, nullptr, nullptr, 12345678, "x\r\n12345678\r\nyy"},
    {"empty_insert",            4, "ab %1cd", Inserts::S, "", nullptr, 0, "ab\r\ncd"},
    // The report formats in one pass at 78 columns, with long inserts.
    {"subject_and_text_78",    78, "%1!ws!: %2%%n", Inserts::WsS, LongSubject, LongText, 0,
     "C:\\Users\\someone\\Documents\\a folder with a long name\\and a file name that goes on.txt\r\n:\r\n"
     "The process cannot access the file because it is being used by another process.%\r\nn"},
    {"subject_and_code_78",    78, "%1!ws!: Win32 error %2!u!%%n", Inserts::WsU,
     "a subject that is long enough to need a second line once the code is added to it", nullptr, 3735928559u,
     "a subject that is long enough to need a second line once the code is added to it\r\n: Win32 error 3735928559%n"},
    {"text_alone_78",          78, "%1%%n", Inserts::S, LongLine, nullptr, 0,
     "A system text that is longer than one line of seventy-eight columns, so it wraps somewhere.\r\n%n"},
    {"second_pass_78",         Ignore | 78, "A system text that is longer than one line of seventy-eight columns, so it wraps somewhere. %n",
     Inserts::None, nullptr, nullptr, 0,
     "A system text that is longer than one line of seventy-eight columns, so it\r\nwraps somewhere. \r\n"},
};
// clang-format on

DWORD CallFormat(DWORD flags, const char* source, char** result, ...)
{
    va_list arguments;
    va_start(arguments, result);
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | flags, source, 0, 0,
                                  reinterpret_cast<LPSTR>(result), 0, &arguments);
    va_end(arguments);
    return length;
}

// The platform's line break in place of CR LF.
std::string OnThisPlatform(const std::string& windowsText)
{
#ifdef _WIN32
    return windowsText;
#else
    std::string text;
    for (std::size_t i = 0; i < windowsText.size(); ++i) {
        if (windowsText.compare(i, 2, "\r\n") == 0) {
            ++i;
            text += '\n';
        } else {
            text += windowsText[i];
        }
    }
    return text;
#endif
}

class FormatMessageFromString : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatMessageFromString, FormatsAndWrapsAsWindowsDoes)
{
    const FormatCase& row = GetParam();
    WideString wide = Widen(row.first != nullptr ? row.first : "");
    char* result = nullptr;
    DWORD length = 0;
    switch (row.inserts) {
    case Inserts::None: length = CallFormat(row.flags, row.source, &result); break;
    case Inserts::S: length = CallFormat(row.flags, row.source, &result, row.first); break;
    case Inserts::SS: length = CallFormat(row.flags, row.source, &result, row.first, row.second); break;
    case Inserts::WsS: length = CallFormat(row.flags, row.source, &result, wide.c_str(), row.second); break;
    case Inserts::WsU: length = CallFormat(row.flags, row.source, &result, wide.c_str(), row.number); break;
    case Inserts::U: length = CallFormat(row.flags, row.source, &result, row.number); break;
    }
    if (row.expected == nullptr) {
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(result, nullptr);
    } else {
        ASSERT_NE(result, nullptr) << "error " << GetLastError();
        EXPECT_EQ(std::string(result), OnThisPlatform(row.expected));
        EXPECT_EQ(length, std::string(result).size());
    }
    LocalFree(result);
}

INSTANTIATE_TEST_SUITE_P(Table, FormatMessageFromString, testing::ValuesIn(FormatCases),
                         [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

} // namespace
