// Receipt queries: the batch's result, read from its record in lotes.
#include <vector>

#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/layout400_documents.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "platform/file_system.hpp"
#include "platform/file_times.hpp"

namespace kelmar::engine {

using settings::ReturnKind;
using settings::StateField;

namespace {

// True while a batch record is younger than the processing wait, by its last write and
// the clock's time. A record dated in the future (the clock set back since it was
// written) counts as old enough: it would otherwise stay "not yet processed" until the
// clock caught up.
bool stillProcessing(const EngineContext& context, const std::string& recordPath) {
    const auto wait = context.scenarios().waitSeconds;
    if (wait <= 0) {
        return false;
    }
    const auto written = platform::lastWriteMilliseconds(recordPath);
    if (!written) {
        return false;  // no record: reading it reports that
    }
    const auto now = platform::toEpochMilliseconds(context.clock().now());
    const auto age = now - *written;
    return age >= 0 && age < wait * 1000;
}

std::optional<ItemStatus> customStatus(const OutcomeDecision& decision) {
    if (decision.rule == nullptr || decision.rule->status.empty()) {
        return std::nullopt;
    }
    return ItemStatus{decision.rule->status, decision.rule->reason};
}

}  // namespace

void ExchangeHandlers::answerReceiptQuery(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::Envio, name);
    std::string receipt;
    {
        xml::XmlDocument query;
        context_.loadRequest(query, request);
        // Today's applications may wrap the query in an envelope: its nRec is looked for.
        const xml::XmlNode* number = context_.answersInLayout400() && query.rootElement() != nullptr
                                         ? elementNamed(*query.rootElement(), "nRec", 2)
                                         : nullptr;
        receipt = (number != nullptr ? *number : secondChildOfRoot(query, name)).valueText();
    }
    requireFileNamePart(receipt, name);
    context_.requireAnswerable({Subfolder::Retorno}, ArchiveFolders::All);
    const auto resultPath = exchange.queryResult(receipt);
    const auto recordPath = exchange.batchRecord(receipt);
    const bool layout400 = context_.answersInLayout400();
    std::optional<BatchMemory> memory;
    if (layout400) {
        memory = readBatchMemory(exchange.batchMemory(receipt));
    }
    if (memory && memory->processed) {
        repeatProcessed400(receipt, *memory, record);
        archiveQuery(name, request, record);
        return;
    }

    // The batch is not yet processed when the selection (or PADRAO) says so, while the
    // wait has not elapsed, or while a rule holds back one of its NF-e.
    std::optional<AppliedOutcome> wholeBatch;
    const auto selected = selectedOutcome(context_.scenarios(), context_.returnKind());
    std::vector<std::string> stems;
    if (selected.outcome == ReturnKind::NotYetProcessed) {
        wholeBatch = AppliedOutcome{{}, selected.outcome, selected.reason};
    } else if (stillProcessing(context_, recordPath)) {
        wholeBatch = AppliedOutcome{{}, ReturnKind::NotYetProcessed, {OutcomeSource::Wait, {}}};
    } else {
        xml::XmlDocument batchRecord;
        batchRecord.loadDocument(recordPath);
        const xml::XmlNode& batch = *batchRecord.rootElement();
        for (int i = 0; i < batch.childCount(); ++i) {
            stems.push_back(removeAll(batch.child(i)->valueText(), fragment::kNfe));
        }
        for (const auto& stem : stems) {
            const auto decision = context_.decide(stem);
            if (decision.rule != nullptr && decision.outcome == ReturnKind::NotYetProcessed) {
                wholeBatch = AppliedOutcome{{}, decision.outcome, decision.reason};
                break;
            }
        }
    }

    if (wholeBatch) {
        record.outcomes.push_back(*wholeBatch);
        saveRecorded(layout400 ? *layout400::buildNotYetProcessedResult(receipt, context_.clock())
                               : *buildNotYetProcessedResult(receipt),
                     resultPath, record);
    } else if (layout400) {
        answerProcessed400(receipt, stems, memory, record);
    } else {
        // One processed result; each NF-e gets the outcome its rule, PADRAO or the
        // selection gives it, all in the one protNFe.
        auto result = startProcessedResult(receipt);
        for (const auto& stem : stems) {
            const auto decision = context_.decide(stem);
            record.outcomes.push_back({stem, decision.outcome, decision.reason});
            if (decision.outcome == ReturnKind::Rejected) {
                appendRejectedItem(result, stem, context_.clock(), customStatus(decision));
            } else {
                const auto protocol = context_.advanceAndSave(StateField::Protocol, record);
                appendAuthorisedItem(result, stem, protocolNumber(protocol),
                                     decision.outcome == ReturnKind::Denied, context_.clock(),
                                     customStatus(decision));
            }
        }
        saveRecorded(*result.document, resultPath, record);
    }
    archiveQuery(name, request, record);
}

void ExchangeHandlers::archiveQuery(std::string_view name, const std::string& request,
                                    DispatchRecord& record) {
    context_.ensureArchiveFolders(ArchiveFolders::All);
    copyRecorded(request, archivePath(Archive::Authorised, name), record);
    copyRecorded(request, archivePath(Archive::Denied, name), record);
    context_.deleteRequest(request);
}

namespace {

// An item's standard cStat and xMotivo in today's layout, or those a rule gives.
void setItemStatus(layout400::ResultItem& item, settings::ReturnKind outcome,
                   std::optional<ItemStatus> custom) {
    if (outcome == ReturnKind::Rejected) {
        item.status = "227";
        item.reason = "Rejeicao: Erro na Chave de Acesso - Campo ID";
    } else if (outcome == ReturnKind::Denied) {
        item.status = "302";
        item.reason = "Uso Denegado: Irregularidade fiscal do destinatario";
    } else {
        item.status = "100";
        item.reason = "Autorizado o uso da NF-e";
    }
    if (custom) {
        item.status = std::string(custom->status);
        if (!custom->reason.empty()) {
            item.reason = std::string(custom->reason);
        }
    }
}

std::vector<layout400::ResultItem> itemsOf(const BatchMemory& memory) {
    std::vector<layout400::ResultItem> items;
    for (const auto& entry : memory.entries) {
        items.push_back(entry.item);
    }
    return items;
}

}  // namespace

void ExchangeHandlers::answerProcessed400(std::string_view receipt,
                                          const std::vector<std::string>& stems,
                                          const std::optional<BatchMemory>& memory,
                                          DispatchRecord& record) {
    const auto exchange = context_.layout();
    BatchMemory fixed;
    fixed.processed = true;
    for (const auto& stem : stems) {
        const auto* known = memory ? memory->find(stem) : nullptr;
        BatchMemory::Entry entry = known != nullptr ? *known : BatchMemory::Entry{stem, {}};
        if (entry.item.accessKey.empty()) {
            entry.item.accessKey = stem;  // a batch received before its memory was kept
        }
        const auto decision = context_.decide(entry.item.accessKey);
        record.outcomes.push_back({entry.item.accessKey, decision.outcome, decision.reason});
        entry.outcome = decision.outcome;
        setItemStatus(entry.item, decision.outcome, customStatus(decision));
        entry.item.receivedAt = layout400::dateTimeText(context_.clock().now());
        if (decision.outcome != ReturnKind::Rejected) {
            entry.item.protocol =
                context_.protocolText(context_.advanceAndSave(StateField::Protocol, record));
        }
        fixed.entries.push_back(std::move(entry));
    }
    // Fixed before it is published: a retry after a crash in between repeats it.
    writeMemoryRecorded(fixed, exchange.batchMemory(receipt), record);
    rememberNfe(receipt, fixed, record);
    saveRecorded(*layout400::buildProcessedResult(receipt, itemsOf(fixed), context_.clock()),
                 exchange.queryResult(receipt), record);
}

void ExchangeHandlers::repeatProcessed400(std::string_view receipt, const BatchMemory& memory,
                                          DispatchRecord& record) {
    for (const auto& entry : memory.entries) {
        record.outcomes.push_back(
            {entry.item.accessKey, entry.outcome, {OutcomeSource::Repeated, {}}});
    }
    rememberNfe(receipt, memory, record);  // when a crash came between the two
    saveRecorded(*layout400::buildProcessedResult(receipt, itemsOf(memory), context_.clock()),
                 context_.layout().queryResult(receipt), record);
}

}  // namespace kelmar::engine
