#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.hpp"

// The text conversions of the XML layer. Texts are Windows-1252 byte strings unless a
// function says otherwise.
namespace kelmar::xml {

// Replaces & < > ' " by their entities (the ampersand first, so nothing is escaped twice).
std::string escapeText(std::string_view text);

// Replaces the accented letters of Portuguese by plain ones; every other byte stays.
std::string foldAccents(std::string_view text);

// Encloses an already escaped value in double quotes.
std::string quoteAttributeValue(std::string_view escapedValue);

// 2009-01-16 at midnight, else 2009-01-16T14:50:43.551Z (the fields as given, no offset).
std::string dateTimeText(const platform::LocalDateTime& value);

// Decodes character references: the five named ones and numeric ones. With storedUtf8 a
// numeric reference up to 65534 becomes UTF-8, else one up to 254 becomes that byte;
// anything else stays as written.
std::string decodeText(std::string_view text, bool storedUtf8);

// The value inside a leading pair of quotes (doubled quotes reduced to one); a text that
// does not start with a quote comes back unchanged.
std::string unquoteValue(std::string_view text);

// The words of a start tag: split at whitespace outside quotes, with "name = 'value'"
// joined back into one word name='value'.
std::vector<std::string> splitWords(std::string_view text);

}  // namespace kelmar::xml
