#pragma once

#include <string>
#include <string_view>

// Plain text helpers shared by every layer. Texts are byte strings; letter case is folded
// for ASCII letters only, so bytes above 127 always compare exactly.
namespace kelmar::platform {

// Removes every character of code 32 or below (controls and the space) from both ends.
std::string_view trimText(std::string_view text);

// True when the two texts are equal ignoring ASCII letter case.
bool sameTextIgnoringCase(std::string_view a, std::string_view b);

// Removes every occurrence of a fragment (case-sensitive); an empty fragment removes nothing.
std::string removeAll(std::string_view text, std::string_view fragment);

// Replaces every occurrence of a fragment (case-sensitive), left to right, never looking
// into what was put in; an empty fragment replaces nothing.
std::string replaceAll(std::string_view text, std::string_view fragment,
                       std::string_view replacement);

}  // namespace kelmar::platform
