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
    const auto batch = context_.advanceAndSave(StateField::Batch);
    const auto batchDocument = [&] {
        return context_.path("\\tmp\\" + context_.state().batch() + "-lote.xml");
    };
    buildBatchNumberDocument(batch)->saveDocument(batchDocument());

    const auto list = context_.path("\\envio_lote\\" + name);
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
        if (platform::fileExists(archivePath("Autorizados", stem + "-nfe.xml"))) {
            platform::copyFile(batchDocument(),
                               context_.path("\\retorno\\" + stem + "-num-lot.xml"));
            accepted = true;
        } else {
            platform::copyFile(context_.sampleErrorFile("erro_layout.err"),
                               context_.path("\\retorno\\" + stem + "-nfe.err"));
        }
    }

    if (accepted) {
        const auto receipt = context_.advanceAndSave(StateField::Receipt);
        buildReceipt(receipt, context_.clock())
            ->saveDocument(context_.path("\\retorno\\" + receiptFileName(batch)));
        // The list itself becomes the batch record that receipt queries read.
        platform::copyFile(list,
                           context_.path("\\lotes\\" + receiptNumber(receipt) + "-lote-rec.xml"));
    } else {
        platform::copyFile(context_.sampleErrorFile("erro_layout.err"),
                           context_.path("\\retorno\\" + replaceAll(name, ".xml", ".err")));
    }
    context_.deleteRequest(list);
    platform::deleteFile(batchDocument());
}

}  // namespace kelmar::engine
