#include "engine/dispatch_record.hpp"

#include "engine/engine_messages.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

void saveRecorded(const xml::XmlDocument& document, const std::string& path,
                  DispatchRecord& record) {
    document.saveDocument(path);
    record.filesWritten.push_back(path);
}

void copyRecorded(std::string_view source, const std::string& destination, DispatchRecord& record) {
    if (platform::copyFile(source, destination)) {
        record.filesWritten.push_back(destination);
        return;
    }
    // Not fatal, but a client must be able to learn that it may be reading a stale
    // answer (a read-only destination still holding an older one, say).
    record.warnings.push_back(messages::copyFailed(source, destination));
}

void copyRequired(std::string_view source, const std::string& destination, DispatchRecord& record) {
    if (!platform::copyFile(source, destination)) {
        throw Error(messages::copyFailed(source, destination));
    }
    record.filesWritten.push_back(destination);
}

}  // namespace kelmar::engine
