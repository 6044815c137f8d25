// NF-e sent on its own (envio) and NF-e held for a later batch (envio_lote).
#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::ReturnKind;
using settings::StateField;

std::string ExchangeHandlers::archivePath(std::string_view archive, std::string_view name) const {
    return context_.path("\\backup\\" + std::string(archive) + "\\" + context_.monthFolder() +
                         "\\" + std::string(name));
}

void ExchangeHandlers::archiveNfe(std::string_view name, std::string_view body) {
    context_.ensureArchiveFolders(ArchiveFolders::All);
    const auto authorised = archivePath("Autorizados", name);
    buildArchiveCopy(body)->saveDocument(authorised);
    platform::copyFile(authorised, archivePath("Denegados", name));
}

void ExchangeHandlers::submitNfe(const std::string& name) {
    const auto request = context_.path("\\envio\\" + name);
    const auto nfe = readNfeRequest(request, name);
    requireFileNamePart(nfe.accessKey, name);

    const auto kind = context_.returnKind();
    if (kind == ReturnKind::SchemaFailure) {
        platform::copyFile(context_.sampleErrorFile("erro_layout.err"),
                           context_.path("\\retorno\\" + nfe.accessKey + "-nfe.err"));
    } else {
        const auto batch = context_.advanceAndSave(StateField::Batch);
        buildBatchNumberDocument(batch)->saveDocument(
            context_.path("\\retorno\\" + nfe.accessKey + "-num-lot.xml"));
        if (kind == ReturnKind::SendFailure) {
            platform::copyFile(
                context_.sampleErrorFile("erro_envio.err"),
                context_.path("\\retorno\\0000000" + eightDigits(batch) + "-rec.err"));
        } else {
            const auto receipt = context_.advanceAndSave(StateField::Receipt);
            buildReceipt(receipt, context_.clock())
                ->saveDocument(context_.path("\\retorno\\" + receiptFileName(batch)));
            buildBatchRecord(name)->saveDocument(
                context_.path("\\lotes\\" + receiptNumber(receipt) + "-lote-rec.xml"));
        }
    }
    archiveNfe(name, nfe.body);
    context_.deleteRequest(request);
}

void ExchangeHandlers::holdNfe(const std::string& name) {
    const auto request = context_.path("\\envio_lote\\" + name);
    const auto nfe = readNfeRequest(request, name);
    if (context_.returnKind() == ReturnKind::SchemaFailure) {
        requireFileNamePart(nfe.accessKey, name);
        platform::copyFile(context_.sampleErrorFile("erro_layout.err"),
                           context_.path("\\retorno\\" + nfe.accessKey + "-nfe.err"));
    } else {
        archiveNfe(name, nfe.body);
    }
    context_.deleteRequest(request);
}

}  // namespace kelmar::engine
