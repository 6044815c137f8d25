#pragma once

#include <optional>
#include <string>
#include <string_view>

// The small text records the engine keeps in the exchange folder (pending requests, what
// the authority remembers), read and written the same way.
namespace kelmar::engine {

// The record's text; nothing when there is none. Raises, naming the file, when it exists
// but cannot be read.
std::optional<std::string> readRecordText(const std::string& pathText);

// Writes the record whole or not at all; raises, naming the file, when it cannot.
void writeRecordText(const std::string& pathText, std::string_view text);

// "O arquivo %s não é um registro que se possa ler", for a record that does not parse.
[[noreturn]] void failUnreadableRecord(const std::string& pathText);

}  // namespace kelmar::engine
