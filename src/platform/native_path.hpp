#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Paths inside the system are Windows-1252 texts joined with backslashes. They become
// operating-system paths only here, at the moment the system is called.
namespace kelmar::platform {

// The operating system's form of a path text. On POSIX the text is converted to UTF-8
// and every backslash becomes "/"; a doubled separator is harmless there. On Windows it
// is converted to UTF-16 (extended-length form when long), never through the ANSI code
// page.
std::filesystem::path toNativePath(std::string_view pathText);

// A path in the operating system's own form (UTF-8 on POSIX, UTF-16 on Windows) as plain
// text. The calls made for every file handled take it: a path object splits the whole
// path into its components each time one is made.
using NativeText = std::filesystem::path::string_type;

// The same as toNativePath, without making a path object.
NativeText toNativeText(std::string_view pathText);

// A path text as a person reads it on this system, still in Windows-1252: on POSIX
// every backslash is a "/", as in the system's own path; on Windows unchanged.
std::string displayPath(std::string_view pathText);

// A message as a person reads it on this system: on POSIX every backslash outside a
// '...' quotation is a "/", since a path text's backslashes are all separators there and
// what a message quotes from a request (a name, a value) is shown as it stands; on
// Windows unchanged.
std::string displayMessage(std::string_view message);

// The line ending text files of this system use: "\r\n" on Windows, "\n" elsewhere.
std::string_view nativeLineEnding();

// The last component of a path text (after the last backslash or slash).
std::string_view fileNamePart(std::string_view pathText);

// The path text without its last component and separator.
std::string_view folderPart(std::string_view pathText);

// True when a file name holds a character that Windows refuses in names: a control
// character or one of < > : " | ? * \ /. Checked on every system, so that the tool
// behaves the same everywhere; a backslash in a Linux file name would otherwise become a
// separator here and lead out of the folder.
bool isForbiddenFileName(std::string_view fileName);

}  // namespace kelmar::platform
