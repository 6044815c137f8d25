#pragma once

#include <string>
#include <string_view>

// The window's texts cross into Windows as UTF-16 and come back as Windows-1252, the
// form every text has inside the program; no ANSI code page takes part.
namespace kelmar::ui::win32 {

// Every Windows-1252 byte has a UTF-16 unit of its own, so nothing is lost.
std::wstring toWide(std::string_view text);

// A character Windows-1252 cannot hold (a surrogate pair counts as one) becomes "?".
std::string fromWide(std::wstring_view text);

}  // namespace kelmar::ui::win32
