// The window's texts between Windows-1252 and UTF-16.
#include "ui/win32/window_text.hpp"

#include <gtest/gtest.h>

namespace kelmar::ui::win32 {
namespace {

TEST(WindowTextTest, EveryWindows1252ByteCrossesAndComesBack) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const auto wide = toWide(all);
    ASSERT_EQ(wide.size(), all.size());
    EXPECT_EQ(wide[0x80 - 1], L'\u20AC');  // the euro sign
    EXPECT_EQ(wide[0xE3 - 1], L'\u00E3');
    EXPECT_EQ(wide[0x85 - 1], L'\u2026');  // the ellipsis of a shortened status line
    EXPECT_EQ(fromWide(wide), all);
}

TEST(WindowTextTest, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
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
        EXPECT_EQ(fromWide(wide), narrow);
    }
}

}  // namespace
}  // namespace kelmar::ui::win32
