// Batch-assembly lists: one batch for the listed NF-e held this month.
#include <vector>

#include "engine/engine_messages.hpp"
#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/layout400_documents.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "engine/signature_block.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::StateField;

namespace {

// What the batch's memory holds of a held NF-e, read from its archive copy: its key, and
// the digest of its own signature (none for the signature the archive adds). A copy that
// cannot be read gives the name alone.
BatchMemory::Entry heldNfeEntry(const std::string& stem, const std::string& archived) {
    BatchMemory::Entry entry{stem, {}};
    try {
        xml::XmlDocument copy;
        copy.loadDocument(archived);
        const auto nfe = readNfeRequest(copy, stem, NfeText::None);
        entry.item.accessKey = nfe.accessKey;
        if (nfe.digest != fixedSignatureDigest()) {
            entry.item.digest = nfe.digest;
        }
    } catch (const Error&) {
        entry.item.accessKey = stem;
    }
    return entry;
}

}  // namespace

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
    BatchMemory memory;
    for (const auto& stem : stems) {
        // An entry that cannot be part of a file name is passed over like an NF-e whose
        // copy fails: nothing is written for it, and the rest of the list is answered.
        if (const auto shown = unsafeFileNamePart(stem)) {
            record.warnings.push_back(messages::unsafeFileNamePart(
                messages::kListSubject, name, *shown, messages::kEntryIgnored));
            continue;
        }
        const auto held = archivePath(Archive::Authorised, stem + std::string(fragment::kNfe));
        if (platform::fileExists(held)) {
            copyRecorded(batchDocument, exchange.batchNumber(stem), record);
            accepted = true;
            if (context_.answersInLayout400()) {
                memory.entries.push_back(heldNfeEntry(stem, held));
            }
        } else {
            copyRecorded(context_.sampleErrorFile("erro_layout.err"), exchange.schemaFailure(stem),
                         record);
        }
    }

    if (accepted) {
        const auto receipt = context_.advanceAndSave(StateField::Receipt, record);
        const auto receiptText = context_.receiptText(receipt);
        if (context_.answersInLayout400()) {
            saveRecorded(*layout400::buildReceipt(receiptText, context_.clock()),
                         exchange.receipt(batch), record);
            writeMemoryRecorded(memory, exchange.batchMemory(receiptText), record);
        } else {
            saveRecorded(*buildReceipt(receipt, context_.clock()), exchange.receipt(batch), record);
        }
        // The list itself becomes the batch record that receipt queries read: without it
        // the receipt would name a batch no query can find, so its failure fails the list.
        copyRequired(list, exchange.batchRecord(receiptText), record);
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
