#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelmar::settings {

// An INI file read and written the way the Windows private-profile functions do it:
// section and key names match ignoring case, values are trimmed and lose one pair of
// surrounding quotes on read, and a write touches only the line of its key, so other
// sections, keys and comments survive unchanged. CRLF and LF files are both read; a
// file keeps its line ending when written back, and its UTF-8 byte-order mark, which
// some editors put first and which must not hide the first section.
class IniFile {
  public:
    IniFile() = default;
    explicit IniFile(std::string_view content);

    // The value of a key, or the default when the section or the key is missing. Values
    // are cut at maxLength characters, as a fixed read buffer would cut them.
    std::string read(std::string_view section, std::string_view key, std::string_view fallback,
                     std::size_t maxLength = 2047) const;

    // The keys of a section in file order, each once (the first spelling wins, as read
    // takes the first line of a key). Lines starting with ';' or '#' are comments.
    std::vector<std::string> keys(std::string_view section) const;

    // Every key of a section with its value as read gives it, in the order of keys(),
    // found in one pass over the file.
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section,
                                                             std::size_t maxLength = 2047) const;

    // Sets a key, creating the section (at the end) and the key (after the section's
    // last key) when missing.
    void write(std::string_view section, std::string_view key, std::string_view value);

    std::string content() const;

    // The line ending used for new files on this system.
    static std::string_view nativeLineEnding();

  private:
    std::vector<std::string> lines_;
    std::string lineEnding_{nativeLineEnding()};
    bool endsWithLineEnding_ = true;
    bool byteOrderMark_ = false;
};

}  // namespace kelmar::settings
