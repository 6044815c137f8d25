#include "platform/text_encoding.hpp"

#include <gtest/gtest.h>

namespace kelmar::platform {
namespace {

TEST(TextEncodingTest, Cp1252ToUtf8CoversEveryKindOfByte) {
    struct Case {
        std::string cp1252;
        std::string utf8;
    };
    const Case cases[] = {
        {"abc", "abc"},
        {"n\xE3o", "n\xC3\xA3o"},
        {"\xBA", "\xC2\xBA"},      // º
        {"\x80", "\xE2\x82\xAC"},  // euro sign
        {"\x9F", "\xC5\xB8"},      // Ÿ
        {"\xE7", "\xC3\xA7"},      // ç
        {"\x81\x8D\x8F\x90\x9D",   // every undefined byte keeps its value as a C1 control
         "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp1252ToUtf8(c.cp1252), c.utf8);
        EXPECT_EQ(utf8ToCp1252(c.utf8), c.cp1252);
    }
}

TEST(TextEncodingTest, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(utf8ToCp1252Exact(cp1252ToUtf8(all)), all);
}

TEST(TextEncodingTest, UnrepresentableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD"), "?");  // a CJK character
    EXPECT_EQ(utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");                                    // not UTF-8 at all
    EXPECT_EQ(utf8ToCp1252("\xC3"), "?");                // cut short
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "?");            // overlong form
    EXPECT_EQ(utf8ToCp1252("\xF0\x9F\x98\x80!"), "?!");  // emoji
    EXPECT_FALSE(utf8ToCp1252Exact("\xE4\xB8\xAD").has_value());
    EXPECT_FALSE(utf8ToCp1252Exact("a\xFF").has_value());
}

TEST(TextEncodingTest, UpperCaseCoversTheCodePagesLetters) {
    EXPECT_EQ(cp1252ToUpper('a'), 'A');
    EXPECT_EQ(cp1252ToUpper(0xE7), 0xC7);  // ç
    EXPECT_EQ(cp1252ToUpper(0xFF), 0x9F);  // ÿ
    EXPECT_EQ(cp1252ToUpper(0xF7), 0xF7);  // division sign has no case
    EXPECT_EQ(cp1252ToUpper('-'), '-');
}

TEST(TextEncodingTest, EveryWindows1252ByteCrossesAndComesBack) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const auto wide = cp1252ToUtf16(all);
    ASSERT_EQ(wide.size(), all.size());
    EXPECT_EQ(wide[0x80 - 1], L'\u20AC');  // the euro sign
    EXPECT_EQ(wide[0xE3 - 1], L'\u00E3');
    EXPECT_EQ(wide[0x85 - 1], L'\u2026');  // the ellipsis of a shortened status line
    EXPECT_EQ(utf16ToCp1252(wide), all);
}

TEST(TextEncodingTest, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    const std::pair<std::wstring, std::string> cases[] = {
        {L"S\u00E3o Jo\u00E3o", "S\xE3o Jo\xE3o"},
        {L"\u0142\u00F3d\u017A",
         "?\xF3"
         "d?"},                                                // Polish letters Windows-1252 lacks
        {L"a\U0001F600b", "a?b"},                              // a surrogate pair is one character
        {std::wstring(L"a") + wchar_t(0xD800) + L"b", "a?b"},  // a lone surrogate
        {L"", ""},
    };
    for (const auto& [wide, narrow] : cases) {
        EXPECT_EQ(utf16ToCp1252(wide), narrow);
    }
}

// The command line and the console cross as UTF-16; UTF-8 comes back unchanged and a
// malformed byte or a lone surrogate becomes the replacement character.
TEST(TextEncodingTest, Utf8AndUtf16CrossBothWays) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"S\xC3\xA3o", L"S\u00E3o"},
        {"a\xF0\x9F\x98\x80"
         "b",
         {L'a', wchar_t(0xD83D), wchar_t(0xDE00), L'b'}},  // a pair
        {"", L""},
    };
    for (const auto& [utf8, wide] : cases) {
        EXPECT_EQ(utf8ToUtf16(utf8), wide);
        EXPECT_EQ(utf16ToUtf8(wide), utf8);
    }
    EXPECT_EQ(utf8ToUtf16("a\xFF"
                          "b"),
              L"a\uFFFDb");
    EXPECT_EQ(utf16ToUtf8(std::wstring(L"a") + wchar_t(0xDC00)), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kelmar::platform
