#include "engine/record_file.hpp"

#include "platform/atomic_file_writer.hpp"
#include "platform/error.hpp"
#include "platform/input_file.hpp"
#include "platform/platform_messages.hpp"

namespace kelmar::engine {

std::optional<std::string> readRecordText(const std::string& pathText) {
    std::error_code reason;
    auto file = platform::InputFile::open(pathText, reason);
    if (!file) {
        if (reason == std::errc::no_such_file_or_directory) {
            return std::nullopt;
        }
        throw Error(formatMessage(platform::kCannotOpenFile, pathText));
    }
    return file->readRest();
}

void writeRecordText(const std::string& pathText, std::string_view text) {
    if (!platform::writeWholeFile(pathText, text)) {
        throw Error(formatMessage(platform::kCannotCreateFile, pathText));
    }
}

void failUnreadableRecord(const std::string& pathText) {
    // "O arquivo %s não é um registro que se possa ler"
    throw Error(formatMessage("O arquivo %s n\xE3o \xE9 um registro que se possa ler", pathText));
}

}  // namespace kelmar::engine
