#include "xml/text_functions.hpp"

#include <gtest/gtest.h>

namespace kelmar::xml {
namespace {

TEST(TextFunctionsTest, FoldAccentsCoversTheTableAndNothingElse) {
    EXPECT_EQ(foldAccents("\xE1\xE9\xED\xF3\xFA\xE0\xE8\xEC\xF2\xF9\xE3\xF5\xE2\xEA\xEE\xF4\xFB\xE7"
                          "\xFC\xFD\xFF\xF1"
                          "\xC1\xC9\xCD\xD3\xDA\xC0\xC8\xCC\xD2\xD9\xC2\xCA\xCE\xD4\xDB\xC3\xD5\xC7"
                          "\xDC\xDD\x9F\xD1"),
              "aeiouaeiouaoaeioucuyynAEIOUAEIOUAEIOUAOCUYYN");
    EXPECT_EQ(foldAccents("\xE4\xEB\xEF\xF6\xBA"), "\xE4\xEB\xEF\xF6\xBA");
}

TEST(TextFunctionsTest, DecodeTextInBothVariants) {
    struct Case {
        const char* text;
        std::string eightBit;
        std::string utf8;
    };
    const Case cases[] = {
        {"a&amp;b", "a&b", "a&b"},
        {"&lt;&gt;&apos;&quot;", "<>'\"", "<>'\""},
        {"&AMP;", "&AMP;", "&AMP;"},
        {"&#65;&#x41;&#X41;", "AAA", "AAA"},
        {"&#231;", "\xE7", "\xC3\xA7"},
        {"&#255;", "&#255;", "\xC3\xBF"},
        {"&#8364;", "&#8364;", "\xE2\x82\xAC"},
        {"&#65535;", "&#65535;", "&#65535;"},
        {"&#;&#x;&#1a;", "&#;&#x;&#1a;", "&#;&#x;&#1a;"},
        {"&nbsp;", "&nbsp;", "&nbsp;"},
        {"a & b; c", "a & b; c", "a & b; c"},
        {"sem fim &amp", "sem fim &amp", "sem fim &amp"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeText(c.text, false), c.eightBit) << c.text;
        EXPECT_EQ(decodeText(c.text, true), c.utf8) << c.text;
    }
    EXPECT_EQ(decodeText("&#0;", false), std::string(1, '\0'));
}

TEST(TextFunctionsTest, UnquoteValue) {
    EXPECT_EQ(unquoteValue("\"abc\""), "abc");
    EXPECT_EQ(unquoteValue("'a''b'"), "a'b");
    EXPECT_EQ(unquoteValue("\"ab\"cd"), "ab");
    EXPECT_EQ(unquoteValue("\"abc"), "ab");
    EXPECT_EQ(unquoteValue("\"\""), "");
    EXPECT_EQ(unquoteValue("abc"), "abc");
    EXPECT_EQ(unquoteValue("\""), "\"");
}

TEST(TextFunctionsTest, SplitWordsGluesAttributeParts) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(splitWords("  a  b\tc "), (Words{"a", "b", "c"}));
    EXPECT_EQ(splitWords("x a = \"b c\""), (Words{"x", "a=\"b c\""}));
    EXPECT_EQ(splitWords("x a =\"b\" c= 'd'"), (Words{"x", "a=\"b\"", "c='d'"}));
    EXPECT_EQ(splitWords("x bare \"q\""), (Words{"x", "bare", "\"q\""}));
    EXPECT_EQ(splitWords(" \r\n "), Words{});
}

}  // namespace
}  // namespace kelmar::xml
