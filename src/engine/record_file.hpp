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

// A record parsed by Record::parse; nothing when there is none. Raises, naming the file,
// when it cannot be read or does not parse.
template <typename Record>
std::optional<Record> readParsedRecord(const std::string& pathText) {
    const auto text = readRecordText(pathText);
    if (!text) {
        return std::nullopt;
    }
    auto record = Record::parse(*text);
    if (!record) {
        failUnreadableRecord(pathText);
    }
    return record;
}

}  // namespace kelmar::engine
