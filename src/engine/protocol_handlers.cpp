// Cancellations and number voiding: always answered favourably, with a protocol number.
#include "engine/exchange_handlers.hpp"
#include "engine/layout400_documents.hpp"
#include "engine/request_reading.hpp"
#include "engine/response_documents.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::StateField;

namespace {

// The numbers a voiding request names, read from its information element; only today's
// layout answers with them.
layout400::VoidedRange voidedRange(const xml::XmlNode& information) {
    const auto text = [&](std::string_view name) {
        const xml::XmlNode* field = childNamed(information, name);
        return field != nullptr ? std::string(platform::trimText(field->valueText()))
                                : std::string();
    };
    return {text("ano"), text("CNPJ"), text("mod"), text("serie"), text("nNFIni"), text("nNFFin")};
}

}  // namespace

void ExchangeHandlers::cancelNfe(const std::string& name, DispatchRecord& record) {
    answerWithProtocol(name, ProtocolResult::Cancellation, record);
}

void ExchangeHandlers::voidNumbers(const std::string& name, DispatchRecord& record) {
    answerWithProtocol(name, ProtocolResult::Voiding, record);
}

void ExchangeHandlers::answerWithProtocol(const std::string& name, ProtocolResult result,
                                          DispatchRecord& record) {
    // Read and checked before the number is taken: a request that cannot be read or
    // answered (one still being written, say) uses up no number.
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::Envio, name);
    std::string key;
    layout400::VoidedRange range;
    {
        xml::XmlDocument document;
        context_.loadRequest(document, request);
        const xml::XmlNode& information = firstChildOfRoot(document, name);
        key = removeAll(removeAll(information.attributeText("Id", ""), "NFe"), "ID");
        range = voidedRange(information);
    }
    requireFileNamePart(key, name);
    context_.requireAnswerable({Subfolder::Retorno}, ArchiveFolders::WithoutDeniedMonth);
    const auto protocol = context_.advanceAndSave(StateField::Protocol, record);
    if (result == ProtocolResult::Cancellation) {
        saveRecorded(
            *buildCancellationResult(key, context_.protocolText(protocol), context_.clock()),
            exchange.cancellationResult(key), record);
    } else if (context_.answersInLayout400()) {
        saveRecorded(*layout400::buildVoidingResult(range, context_.protocolText(protocol),
                                                    context_.clock()),
                     exchange.voidingResult(key), record);
    } else {
        saveRecorded(*buildVoidingResult(protocol, context_.clock()), exchange.voidingResult(key),
                     record);
    }
    context_.ensureArchiveFolders(ArchiveFolders::WithoutDeniedMonth);
    copyRecorded(request, archivePath(Archive::Authorised, name), record);
    context_.deleteRequest(request);
}

}  // namespace kelmar::engine
