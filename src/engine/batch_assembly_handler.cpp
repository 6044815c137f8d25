// Batch-assembly lists: one batch for the listed NF-e held this month.
#include <vector>

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
    {
        xml::XmlDocument document;
        document.loadDocument(list);
        const xml::XmlNode& root = *document.rootElement();
        for (int i = 0; i < root.childCount(); ++i) {
            stems.push_back(removeAll(root.child(i)->valueText(), "-nfe.xml"));
        }
    }
    // Every entry is checked before the first file is copied for any of them.
    for (const auto& stem : stems) {
        requireFileNamePart(stem, name);
    }

    bool accepted = false;
    for (const auto& stem : stems) {
        if (platform::fileExists(archivePath(Archive::Authorised, stem + "-nfe.xml"))) {
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
