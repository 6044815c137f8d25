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
        {"\x81", "\xC2\x81"},      // undefined byte keeps its value as a C1 control
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

}  // namespace
}  // namespace kelmar::platform
