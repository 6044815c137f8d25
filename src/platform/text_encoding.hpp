#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversions between the system's Windows-1252 texts and UTF-8, used wherever a text
// crosses into the operating system, the terminal or the window.
namespace kelmar::platform {

// Unicode code point of a Windows-1252 byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so
// the mapping is one-to-one and no byte is ever lost.
char32_t cp1252ToCodePoint(unsigned char byte);

// Windows-1252 byte for a code point, or nothing when the code page cannot hold it.
std::optional<unsigned char> codePointToCp1252(char32_t codePoint);

std::string cp1252ToUtf8(std::string_view text);

// Appends the UTF-8 form of one code point (up to U+FFFF is all the system needs, but
// any valid scalar value is encoded).
void appendUtf8(std::string& out, char32_t codePoint);

// Decodes UTF-8 into Windows-1252; a character the code page cannot hold, and every
// malformed byte, becomes "?".
std::string utf8ToCp1252(std::string_view text);

// Like utf8ToCp1252, but yields nothing unless every character converts exactly.
std::optional<std::string> utf8ToCp1252Exact(std::string_view text);

// UTF-16, the form every text takes through the wide Windows API, held in wchar_t units.
// Every Windows-1252 byte has a unit of its own, so nothing is lost on the way there.
std::wstring cp1252ToUtf16(std::string_view text);

// A character Windows-1252 cannot hold (a surrogate pair counts as one, a lone surrogate
// too) becomes "?".
std::string utf16ToCp1252(std::wstring_view text);

// Like utf16ToCp1252, but yields nothing unless every unit converts exactly.
std::optional<std::string> utf16ToCp1252Exact(std::wstring_view text);

// Between UTF-8 and UTF-16; a malformed byte or a lone surrogate becomes U+FFFD.
std::wstring utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::wstring_view text);

// Upper-case form of a Windows-1252 byte (ASCII and the Latin-1 letters, plus the
// three pairs Windows-1252 adds), used for case-insensitive name order.
unsigned char cp1252ToUpper(unsigned char byte);

}  // namespace kelmar::platform
