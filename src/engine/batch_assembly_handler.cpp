// Batch-assembly lists: one batch for the listed NF-e held this month.
#include <vector>

#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::StateField;

void ExchangeHandlers::assembleBatch(const std::string& name) {
    const auto exchange = context_.layout();
    const auto batch = context_.advanceAndSave(StateField::Batch);
    const auto batchDocument = exchange.assemblyBatchNumber(context_.state().batch());
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
            platform::copyFile(batchDocument, exchange.batchNumber(stem));
            accepted = true;
        } else {
            platform::copyFile(context_.sampleErrorFile("erro_layout.err"),
                               exchange.schemaFailure(stem));
        }
    }

    if (accepted) {
        const auto receipt = context_.advanceAndSave(StateField::Receipt);
        buildReceipt(receipt, context_.clock())->saveDocument(exchange.receipt(batch));
        // The list itself becomes the batch record that receipt queries read.
        platform::copyFile(list, exchange.batchRecord(receiptNumber(receipt)));
    } else {
        platform::copyFile(context_.sampleErrorFile("erro_layout.err"),
                           exchange.batchFailure(name));
    }
    context_.deleteRequest(list);
    platform::deleteFile(batchDocument);
}

}  // namespace kelmar::engine
