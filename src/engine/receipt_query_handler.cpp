// Receipt queries: the batch's result, read from its record in lotes.
#include <vector>

#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
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
        receipt = secondChildOfRoot(query, name).valueText();
    }
    requireFileNamePart(receipt, name);
    context_.requireAnswerable({Subfolder::Retorno}, ArchiveFolders::All);
    const auto resultPath = exchange.queryResult(receipt);
    const auto recordPath = exchange.batchRecord(receipt);

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
        saveRecorded(*buildNotYetProcessedResult(receipt), resultPath, record);
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

    context_.ensureArchiveFolders(ArchiveFolders::All);
    copyRecorded(request, archivePath(Archive::Authorised, name), record);
    copyRecorded(request, archivePath(Archive::Denied, name), record);
    context_.deleteRequest(request);
}

}  // namespace kelmar::engine
