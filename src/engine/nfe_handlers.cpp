// NF-e sent on its own (envio) and NF-e held for a later batch (envio_lote).
#include "engine/batch_memory.hpp"
#include "engine/engine_messages.hpp"
#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/layout400_documents.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::ReturnKind;
using settings::StateField;

void ExchangeHandlers::archiveNfe(std::string_view name, const NfeRequest& nfe,
                                  DispatchRecord& record) {
    context_.ensureArchiveFolders(ArchiveFolders::All);
    const auto authorised = archivePath(Archive::Authorised, name);
    const auto copy = context_.answersInLayout400()
                          ? layout400::buildArchiveCopy(nfe)
                          : buildArchiveCopy(nfe.body, nfe.prefixDeclarations);
    saveRecorded(*copy, authorised, record);
    saveCopyRecorded(*copy, authorised, archivePath(Archive::Denied, name), record);
}

NfeText ExchangeHandlers::archivedText() const {
    return context_.answersInLayout400() ? NfeText::WholeElement : NfeText::Body;
}

void ExchangeHandlers::copySchemaFailure(std::string_view name, std::string_view key,
                                         DispatchRecord& record) const {
    // Only the copy named after the key is left out when the key cannot be part of a
    // file name; the NF-e is still archived and deleted as with any other key.
    if (const auto shown = unsafeFileNamePart(key)) {
        record.warnings.push_back(messages::unsafeFileNamePart(messages::kRequestSubject, name,
                                                               *shown, messages::kNoErrorCopy));
        return;
    }
    copyRecorded(context_.sampleErrorFile("erro_layout.err"), context_.layout().schemaFailure(key),
                 record);
}

void ExchangeHandlers::submitNfe(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::Envio, name);
    xml::XmlDocument document;
    context_.loadRequest(document, request);
    const auto nfe = readNfeRequest(document, name, archivedText());
    // A rule naming a query-time outcome takes the receipt road, as that outcome does.
    auto decision = context_.decide(nfe.accessKey);
    // While the authority's service is down, a sender cannot deliver any batch.
    if (context_.answersInLayout400() && context_.scenarios().service != ServiceState::Operating &&
        decision.outcome != ReturnKind::SchemaFailure) {
        decision = {ReturnKind::SendFailure, {OutcomeSource::Service, {}}, nullptr};
    }
    record.outcomes.push_back({nfe.accessKey, decision.outcome, decision.reason});
    const auto kind = decision.outcome;
    if (kind == ReturnKind::SchemaFailure) {
        context_.requireAnswerable({Subfolder::Retorno}, ArchiveFolders::All);
        copySchemaFailure(name, nfe.accessKey, record);
    } else {
        // Everything checked before the first number moves.
        requireFileNamePart(nfe.accessKey, name);
        if (kind == ReturnKind::SendFailure) {
            context_.requireAnswerable({Subfolder::Retorno}, ArchiveFolders::All);
        } else {
            context_.requireAnswerable({Subfolder::Retorno, Subfolder::Lotes}, ArchiveFolders::All);
        }
        const auto batch = context_.advanceAndSave(StateField::Batch, record);
        saveRecorded(*buildBatchNumberDocument(batch), exchange.batchNumber(nfe.accessKey), record);
        if (kind == ReturnKind::SendFailure) {
            copyRecorded(context_.sampleErrorFile("erro_envio.err"), exchange.sendFailure(batch),
                         record);
        } else {
            const auto receipt = context_.advanceAndSave(StateField::Receipt, record);
            const auto receiptText = context_.receiptText(receipt);
            if (context_.answersInLayout400()) {
                saveRecorded(*layout400::buildReceipt(receiptText, context_.clock()),
                             exchange.receipt(batch), record);
                // Before the record: a query finds the batch only once both are there.
                BatchMemory memory;
                memory.entries.push_back({removeAll(name, fragment::kNfe), {}});
                memory.entries.back().item.accessKey = nfe.accessKey;
                memory.entries.back().item.digest = nfe.digest;
                writeMemoryRecorded(memory, exchange.batchMemory(receiptText), record);
            } else {
                saveRecorded(*buildReceipt(receipt, context_.clock()), exchange.receipt(batch),
                             record);
            }
            saveRecorded(*buildBatchRecord(name), exchange.batchRecord(receiptText), record);
        }
    }
    archiveNfe(name, nfe, record);
    context_.deleteRequest(request);
}

void ExchangeHandlers::holdNfe(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::EnvioLote, name);
    xml::XmlDocument document;
    context_.loadRequest(document, request);
    const auto nfe = readNfeRequest(document, name, archivedText());
    // Only a schema failure matters for a held NF-e; any other outcome archives it.
    const auto decision = context_.decide(nfe.accessKey);
    record.outcomes.push_back({nfe.accessKey, decision.outcome, decision.reason});
    if (decision.outcome == ReturnKind::SchemaFailure) {
        context_.requireAnswerable({Subfolder::Retorno}, std::nullopt);
    } else {
        context_.requireAnswerable({}, ArchiveFolders::All);
    }
    if (decision.outcome == ReturnKind::SchemaFailure) {
        copySchemaFailure(name, nfe.accessKey, record);
    } else {
        archiveNfe(name, nfe, record);
    }
    context_.deleteRequest(request);
}

}  // namespace kelmar::engine
