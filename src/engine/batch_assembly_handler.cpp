// Batch-assembly lists: one batch for the listed NF-e held this month.
#include <vector>

#include "engine/engine_messages.hpp"
#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::StateField;

void ExchangeHandlers::assembleBatch(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto batch = context_.advanceAndSave(StateField::Batch, record);
    const auto batchDocument = exchange.assemblyBatchNumber(context_.state().batch());
    // Only a stand-in while the batch is assembled: it is gone when the list is answered.
    buildBatchNumberDocument(batch)->saveDocument(batchDocument);

    const auto list = exchange.request(RequestFolder::EnvioLote, name);
    std::vector<std::string> stems;
    try {
        xml::XmlDocument document;
        document.loadDocument(list);
        const xml::XmlNode& root = *document.rootElement();
        for (int i = 0; i < root.childCount(); ++i) {
            stems.push_back(removeAll(root.child(i)->valueText(), fragment::kNfe));
        }
    } catch (...) {
        // The list stays for the next tick, which writes its own batch-number document:
        // a failed tick leaves nothing behind in tmp.
        platform::deleteFile(batchDocument);
        throw;
    }

    bool accepted = false;
    for (const auto& stem : stems) {
        // An entry that cannot be part of a file name is passed over like an NF-e whose
        // copy fails: nothing is written for it, and the rest of the list is answered.
        if (const auto shown = unsafeFileNamePart(stem)) {
            record.warnings.push_back(messages::unsafeFileNamePart(
                messages::kListSubject, name, *shown, messages::kEntryIgnored));
            continue;
        }
        if (platform::fileExists(
                archivePath(Archive::Authorised, stem + std::string(fragment::kNfe)))) {
            copyRecorded(batchDocument, exchange.batchNumber(stem), record);
            accepted = true;
        } else {
            copyRecorded(context_.sampleErrorFile("erro_layout.err"), exchange.schemaFailure(stem),
                         record);
        }
    }

    if (accepted) {
        const auto receipt = context_.advanceAndSave(StateField::Receipt, record);
        saveRecorded(*buildReceipt(receipt, context_.clock()), exchange.receipt(batch), record);
        // The list itself becomes the batch record that receipt queries read.
        copyRecorded(list, exchange.batchRecord(receiptNumber(receipt)), record);
    } else {
        copyRecorded(context_.sampleErrorFile("erro_layout.err"), exchange.batchFailure(name),
                     record);
    }
    context_.deleteRequest(list);
    platform::deleteFile(batchDocument);
}

}  // namespace kelmar::engine
