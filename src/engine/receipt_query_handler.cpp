// Receipt queries: the batch's result, read from its record in lotes.
#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::ReturnKind;
using settings::StateField;

void ExchangeHandlers::answerReceiptQuery(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::Envio, name);
    std::string receipt;
    {
        xml::XmlDocument query;
        query.loadDocument(request);
        receipt = secondChildOfRoot(query, name).valueText();
    }
    requireFileNamePart(receipt, name);
    const auto resultPath = exchange.queryResult(receipt);

    const auto kind = context_.returnKind();
    if (kind == ReturnKind::NotYetProcessed) {
        saveRecorded(*buildNotYetProcessedResult(receipt), resultPath, record);
    } else {
        xml::XmlDocument batchRecord;
        batchRecord.loadDocument(exchange.batchRecord(receipt));
        const xml::XmlNode& batch = *batchRecord.rootElement();
        auto result = startProcessedResult(receipt);
        for (int i = 0; i < batch.childCount(); ++i) {
            const auto stem = removeAll(batch.child(i)->valueText(), "-nfe.xml");
            if (kind == ReturnKind::Rejected) {
                appendRejectedItem(result, stem, context_.clock());
            } else {
                const auto protocol = context_.advanceAndSave(StateField::Protocol, record);
                appendAuthorisedItem(result, stem, protocolNumber(protocol),
                                     kind == ReturnKind::Denied, context_.clock());
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
