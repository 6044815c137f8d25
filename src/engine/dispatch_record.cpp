#include "engine/dispatch_record.hpp"

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
    }
}

}  // namespace kelmar::engine
