#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.hpp"

// The text conversions of the XML layer. Texts are Windows-1252 byte strings unless a
// function says otherwise.
namespace kelmar::xml {

// Replaces & < > ' and " by their entities, the ampersand first.
std::string escapeText(std::string_view text);

// Replaces each of the 44 accented Portuguese letters by its plain letter.
std::string foldAccents(std::string_view text);

// Windows-1252 to UTF-8.
std::string toUtf8(std::string_view text);

// Encloses an already escaped value in double quotes.
std::string quoteAttributeValue(std::string_view escapedValue);

// 2009-01-16T14:50:43.551Z, or the date alone at exactly midnight.
std::string dateTimeText(const platform::LocalDateTime& value);

// Decodes the five named entities and numeric references. In an 8-bit document a
// numeric reference from 0 to 254 becomes that byte; in a UTF-8 one, 0 to 65534 becomes
// the code point's UTF-8 bytes. Anything else stays as written.
std::string decodeText(std::string_view text, bool storedUtf8);

// The value inside one pair of quotes (either kind), doubled quotes reduced.
std::string unquoteValue(std::string_view text);

// Splits a tag's text into words, keeping quoted runs together and gluing "=" and
// quoted values to the name before them, so `a = "b c"` is the one word `a="b c"`.
std::vector<std::string> splitWords(std::string_view text);

// True for TAB, LF, CR and space.
inline bool isXmlWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Removes every character of code 32 or below from both ends.
std::string_view trimControls(std::string_view text);

// ASCII letters compared without case.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kelmar::xml
