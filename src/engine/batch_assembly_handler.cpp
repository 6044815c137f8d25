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
    // Read and checked before the batch number is taken: a list that cannot be read (one
    // still being written, say) uses up no number.
    const auto list = exchange.request(RequestFolder::EnvioLote, name);
    std::vector<std::string> stems;
    {
        xml::XmlDocument document;
        context_.loadRequest(document, list);
        const xml::XmlNode& root = *document.rootElement();
        for (int i = 0; i < root.childCount(); ++i) {
            stems.push_back(removeAll(root.child(i)->valueText(), fragment::kNfe));
        }
    }
    context_.requireAnswerable({Subfolder::Retorno, Subfolder::Lotes, Subfolder::Tmp},
                               std::nullopt);
    const auto batch = context_.advanceAndSave(StateField::Batch, record);
    const auto batchDocument = exchange.assemblyBatchNumber(context_.state().batch());
    // Only a stand-in while the batch is assembled: it is gone when the list is answered.
    buildBatchNumberDocument(batch)->saveDocument(batchDocument);

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
        // The list itself becomes the batch record that receipt queries read: without it
        // the receipt would name a batch no query can find, so its failure fails the list.
        copyRequired(list, exchange.batchRecord(receiptNumber(receipt)), record);
    } else {
        copyRecorded(context_.sampleErrorFile("erro_layout.err"), exchange.batchFailure(name),
                     record);
    }
    // The stand-in goes first: a crash between the two leaves the list, which is then
    // answered again with the same numbers, and nothing in tmp.
    platform::deleteFile(batchDocument);
    context_.deleteRequest(list);
}

}  // namespace kelmar::engine
