#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/posix/text.h"

namespace {

std::u16string Decode(const std::string& bytes)
{
    WCHAR* wide = WideFromBytes(bytes.data(), bytes.size(), nullptr);
    std::u16string result = wide;
    std::free(wide);
    return result;
}

// Returns the bytes, or "EILSEQ" when they cannot be made.
std::string Encode(const std::u16string& wide)
{
    errno = 0;
    char* bytes = BytesFromWide(wide.c_str(), nullptr);
    if (bytes == nullptr) {
        return errno == EILSEQ ? "EILSEQ" : "other error";
    }
    std::string result = bytes;
    std::free(bytes);
    return result;
}

struct TextCase {
    const char* name;
    std::string bytes;
    std::u16string wide;
};

const TextCase TextCases[] = {
    {"ascii", "a-b/c", u"a-b/c"},
    {"two_bytes", "caf\xC3\xA9", u"caf\u00E9"},
    {"three_bytes", "\xE2\x82\xAC", u"\u20AC"},
    {"four_bytes_make_a_pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"stray_byte",
     "a\xFF"
     "b",
     u"a\xDCFF"
     "b"},
    {"lone_continuation", "\x80", u"\xDC80"},
    {"truncated_sequence",
     "\xE2\x82"
     "a",
     u"\xDCE2\xDC82"
     "a"},
    {"overlong_slash", "\xC0\xAF", u"\xDCC0\xDCAF"},
    {"overlong_three", "\xE0\x80\xAF", u"\xDCE0\xDC80\xDCAF"},
    {"encoded_surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
    {"beyond_unicode", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
    {"latin1_name", "\xE9t\xE9", u"\xDCE9t\xDCE9"},
};

class NameText : public testing::TestWithParam<TextCase> {};

TEST_P(NameText, DecodesAndEncodesBack)
{
    EXPECT_EQ(Decode(GetParam().bytes), GetParam().wide);
    EXPECT_EQ(Encode(GetParam().wide), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, NameText, testing::ValuesIn(TextCases),
                         [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(NameText, SurrogatesNoByteStandsForAreRefused)
{
    const std::u16string refused[] = {u"\xD800", u"a\xDBFF",  u"\xDC00",      u"\xDC7F",
                                      u"\xDD00", u"\xDFFF b", u"\xD800\xD800"};
    for (const std::u16string& wide : refused) {
        EXPECT_EQ(Encode(wide), "EILSEQ") << static_cast<unsigned>(wide[0]);
    }
}

// Every byte string (without NUL) survives the way there and back.
TEST(NameText, AnyBytesComeBackUnchanged)
{
    std::mt19937 random(11);
    const std::string interesting = "\x80\xBF\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xFF"
                                    "a/";
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(random() % 12, 'x');
        for (char& byte : bytes) {
            byte = random() % 2 ? interesting[random() % interesting.size()] : static_cast<char>(1 + random() % 255);
        }
        ASSERT_EQ(Encode(Decode(bytes)), bytes) << "round " << round;
    }
}

} // namespace
