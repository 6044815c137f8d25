#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_helpers.hpp"

namespace kelmar::platform {
namespace {

TEST(TrimText, RemovesControlsAndSpacesFromBothEndsOnly) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"\x01 \tx y\r\n\x1F", "x y"},
        {"  ", ""},
        {"", ""},
        {"a", "a"},
        {" \xA0 ", "\xA0"},  // a non-breaking space is a character above 32
        {"\x20\x21\x20", "!"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(trimText(input), expected) << input;
    }
}

TEST(SameTextIgnoringCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(sameTextIgnoringCase("cStat", "CSTAT"));
    EXPECT_TRUE(sameTextIgnoringCase("", ""));
    EXPECT_FALSE(sameTextIgnoringCase("cStat", "cStatx"));
    EXPECT_FALSE(sameTextIgnoringCase("\xE3", "\xC3"));  // ã and Ã differ
    EXPECT_FALSE(sameTextIgnoringCase("@", "`"));        // 0x40 and 0x60 are not letters
    EXPECT_FALSE(sameTextIgnoringCase("[", "{"));
}

TEST(ReplaceAll, ReplacesEveryOccurrenceLeftToRight) {
    struct Case {
        std::string text, fragment, replacement, expected;
    };
    const std::vector<Case> cases = {
        {"lote.xml", ".xml", ".err", "lote.err"},
        {"a.xml.xml", ".xml", ".err", "a.err.err"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "", "x", "abc"},
        {"abc", "d", "x", "abc"},
        {"xx", "x", "xx", "xxxx"},  // what was put in is not looked at again
        {"", "x", "y", ""},
    };
    for (const auto& [text, fragment, replacement, expected] : cases) {
        EXPECT_EQ(replaceAll(text, fragment, replacement), expected) << text << " " << fragment;
    }
}

TEST(RemoveAll, RemovesEveryOccurrenceCaseSensitively) {
    EXPECT_EQ(removeAll("NFe4200NFe", "NFe"), "4200");
    EXPECT_EQ(removeAll("nfe4200", "NFe"), "nfe4200");
    EXPECT_EQ(removeAll("a\r\nb\r\n", "\r"), "a\nb\n");
    EXPECT_EQ(removeAll("abc", ""), "abc");
}

}  // namespace
}  // namespace kelmar::platform
