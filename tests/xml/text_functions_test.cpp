#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/text_functions.hpp"

namespace kelmar::xml {
namespace {

struct Conversion {
    std::string input;
    std::string expected;
};

TEST(EscapeText, ReplacesTheFiveCharactersOnly) {
    const std::vector<Conversion> cases = {
        {"", ""},
        {"a&b", "a&amp;b"},
        {"&amp;", "&amp;amp;"},
        {"<>'\"", "&lt;&gt;&apos;&quot;"},
        {"\t\r\n\x01\xE3\xFF", "\t\r\n\x01\xE3\xFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeText(c.input), c.expected) << c.input;
    }
}

TEST(FoldAccents, FoldsThe44LettersAndNothingElse) {
    EXPECT_EQ(foldAccents("\xE1\xE9\xED\xF3\xFA\xE0\xE8\xEC\xF2\xF9\xE3\xF5\xE2\xEA\xEE\xF4\xFB\xE7"
                          "\xFC\xFD\xFF\xF1\xC1\xC9\xCD\xD3\xDA\xC0\xC8\xCC\xD2\xD9\xC2\xCA\xCE\xD4"
                          "\xDB\xC3\xD5\xC7\xDC\xDD\x9F\xD1"),
              "aeiouaeiouaoaeioucuyynAEIOUAEIOUAEIOUAOCUYYN");
    const std::string untouched = "\xE4\xEB\xEF\xF6\xBA\xAA\x80 plain";
    EXPECT_EQ(foldAccents(untouched), untouched);
}

TEST(QuoteAttributeValue, UsesDoubleQuotes) {
    EXPECT_EQ(quoteAttributeValue("a b"), "\"a b\"");
}

TEST(DateTimeText, PadsEveryField) {
    EXPECT_EQ(dateTimeText({2009, 1, 16, 14, 50, 43, 551}), "2009-01-16T14:50:43.551Z");
    EXPECT_EQ(dateTimeText({2009, 1, 16, 0, 0, 0, 0}), "2009-01-16");
    EXPECT_EQ(dateTimeText({999, 2, 3, 4, 5, 6, 7}), "0999-02-03T04:05:06.007Z");
}

struct Decoding {
    std::string input;
    std::string eightBit;
    std::string utf8;
};

TEST(DecodeText, BothVariants) {
    const std::vector<Decoding> cases = {
        {"plain", "plain", "plain"},
        {"&amp;&lt;&gt;&apos;&quot;", "&<>'\"", "&<>'\""},
        {"&AMP;", "&AMP;", "&AMP;"},
        {"&#65;&#x41;&#X41;", "AAA", "AAA"},
        {"&#231;", "\xE7", "\xC3\xA7"},
        {"&#254;", "\xFE", "\xC3\xBE"},
        {"&#255;", "&#255;", "\xC3\xBF"},
        {"&#8364;", "&#8364;", "\xE2\x82\xAC"},
        {"&#65534;", "&#65534;", "\xEF\xBF\xBE"},
        {"&#65535;", "&#65535;", "&#65535;"},
        {"&#;&#x;&#-1;&#+5;&#1a;", "&#;&#x;&#-1;&#+5;&#1a;", "&#;&#x;&#-1;&#+5;&#1a;"},
        {"&#99999999999999999999;", "&#99999999999999999999;", "&#99999999999999999999;"},
        {"&nbsp;x", "&nbsp;x", "&nbsp;x"},
        {"a & b &amp; c", "a & b &amp; c", "a & b &amp; c"},
        {"tail &amp", "tail &amp", "tail &amp"},
        {"&#0;", std::string(1, '\0'), std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeText(c.input, false), c.eightBit) << c.input;
        EXPECT_EQ(decodeText(c.input, true), c.utf8) << c.input;
    }
}

TEST(UnquoteValue, Table) {
    const std::vector<Conversion> cases = {
        {"\"abc\"", "abc"}, {"'abc'", "abc"},   {"\"a\"\"b\"", "a\"b"}, {"\"ab\"rest", "ab"},
        {"\"\"", ""},       {"\"abc", "ab"},    {"abc", "abc"},         {"\"", "\""},
        {"", ""},           {"'a\"b'", "a\"b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unquoteValue(c.input), c.expected) << c.input;
    }
}

struct Split {
    std::string input;
    std::vector<std::string> words;
};

TEST(SplitWords, Table) {
    const std::vector<Split> cases = {
        {"", {}},
        {" \t\r\n", {}},
        {"a", {"a"}},
        {"  a  b  ", {"a", "b"}},
        {"a x=\"1 2\" y='3'", {"a", "x=\"1 2\"", "y='3'"}},
        {"a x = \"1\"", {"a", "x=\"1\""}},
        {"a x= '1'", {"a", "x='1'"}},
        {"a x =\"1\"", {"a", "x=\"1\""}},
        {"a \"q\"", {"a", "\"q\""}},
        {"a b= = \"c\"", {"a", "b==\"c\""}},
        {"a bare x=\"1\"", {"a", "bare", "x=\"1\""}},
        {"a x=\"unclosed y", {"a", "x=\"unclosed y"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitWords(c.input), c.words) << c.input;
    }
}

TEST(SplitWords, ManyJoinsStayLinear) {
    std::string text = "a";
    for (int i = 0; i < 200000; ++i) {
        text += " =";
    }
    const auto words = splitWords(text);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0].size(), 200001u);
}

}  // namespace
}  // namespace kelmar::xml
