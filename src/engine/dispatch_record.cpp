#include "engine/dispatch_record.hpp"
#include "engine/exchange_names.hpp"

#include "engine/engine_messages.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "xml/xml_errors.hpp"

namespace kelmar::engine {

std::string HandOut::text() const {
    if (!shown.empty()) {
        return shown;
    }
    switch (counter) {
        case settings::StateField::Receipt:
            return receiptNumber(value);
        case settings::StateField::Protocol:
            return protocolNumber(value);
        default:
            return std::to_string(value);
    }
}
namespace {

// The first cStat in document order: the document's own status, which comes before
// those of the items it holds.
const xml::XmlNode* firstStatus(const xml::XmlNode& node) {
    for (int i = 0; i < node.childCount(); ++i) {
        const auto* child = node.child(i);
        if (child->elementKind() != xml::ElementKind::Element) {
            continue;
        }
        if (child->name() == "cStat") {
            return child;
        }
        if (const auto* found = firstStatus(*child)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<std::string> DispatchRecord::statusOf(std::string_view path) const {
    for (const auto& [written, status] : statuses) {
        if (written == path) {
            return status;
        }
    }
    return std::nullopt;
}

void saveRecorded(const xml::XmlDocument& document, const std::string& path,
                  DispatchRecord& record) {
    document.saveDocument(path);
    record.filesWritten.push_back(path);
    if (const auto* status = firstStatus(document.topLevel())) {
        record.statuses.emplace_back(path, status->valueText());
    }
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

void saveCopyRecorded(const xml::XmlDocument& document, std::string_view saved,
                      const std::string& destination, DispatchRecord& record) {
    try {
        document.saveDocument(destination);
    } catch (const xml::EStreamError&) {
        record.warnings.push_back(messages::copyFailed(saved, destination));
        return;
    }
    record.filesWritten.push_back(destination);
}

void copyRequired(std::string_view source, const std::string& destination, DispatchRecord& record) {
    if (!platform::copyFile(source, destination)) {
        throw Error(messages::copyFailed(source, destination));
    }
    record.filesWritten.push_back(destination);
}

}  // namespace kelmar::engine
