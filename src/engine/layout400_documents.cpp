#include "engine/layout400_documents.hpp"

#include <cstdio>
#include <cstdlib>

#include "engine/response_documents.hpp"
#include "engine/signature_block.hpp"

namespace kelmar::engine::layout400 {
namespace {

using xml::XmlDocument;
using xml::XmlNode;

constexpr std::string_view kVersion = "4.00";
constexpr std::string_view kServiceVersion = "SVRS202412101522";

// The root of an answer of this layout: its namespace and version, nothing else.
XmlNode& startAnswer(XmlDocument& document, std::string_view version = kVersion) {
    XmlNode& root = *document.rootElement();
    root.addAttribute("versao", version);
    root.addAttribute("xmlns", kNfeNamespace);
    return root;
}

// tpAmb, verAplic, then the receipt number when given, cStat, xMotivo and cUF.
void writeStatusLines(XmlNode& parent, std::string_view receiptNumber, std::string_view status,
                      std::string_view reason) {
    parent.writeTextChild("tpAmb", "2");
    parent.writeTextChild("verAplic", kServiceVersion);
    if (!receiptNumber.empty()) {
        parent.writeTextChild("nRec", receiptNumber);
    }
    parent.writeTextChild("cStat", status);
    parent.writeTextChild("xMotivo", reason);
    parent.writeTextChild("cUF", "42");
}

void writeIfGiven(XmlNode& parent, std::string_view name, std::string_view text) {
    if (!text.empty()) {
        parent.writeTextChild(name, text);
    }
}

// One protNFe, as the receipt query gave it.
void appendProtocol(XmlNode& parent, const ResultItem& item) {
    XmlNode& protNFe = parent.appendChild("protNFe");
    protNFe.addAttribute("versao", kVersion);
    XmlNode& info = protNFe.appendChild("infProt");
    if (!item.protocol.empty()) {
        info.addAttribute("Id", "ID" + item.protocol);
    }
    info.writeTextChild("tpAmb", "2");
    info.writeTextChild("verAplic", kServiceVersion);
    info.writeTextChild("chNFe", item.accessKey);
    info.writeTextChild("dhRecbto", item.receivedAt);
    writeIfGiven(info, "nProt", item.protocol);
    writeIfGiven(info, "digVal", item.digest);
    info.writeTextChild("cStat", item.status);
    info.writeTextChild("xMotivo", item.reason);
}

constexpr std::string_view kEventVersion = "1.00";

void appendEventAnswer(XmlNode& parent, const EventAnswer& event) {
    XmlNode& answer = parent.appendChild("retEvento");
    answer.addAttribute("versao", kEventVersion);
    XmlNode& info = answer.appendChild("infEvento");
    if (!event.protocol.empty()) {
        info.addAttribute("Id", "ID" + event.protocol);
    }
    info.writeTextChild("tpAmb", "2");
    info.writeTextChild("verAplic", kServiceVersion);
    info.writeTextChild("cOrgao", "42");
    info.writeTextChild("cStat", event.status);
    info.writeTextChild("xMotivo", event.reason);
    writeIfGiven(info, "chNFe", event.accessKey);
    writeIfGiven(info, "tpEvento", event.type);
    writeIfGiven(info, "xEvento", event.description);
    writeIfGiven(info, "nSeqEvento", event.sequence);
    info.writeTextChild("dhRegEvento", event.registeredAt);
    writeIfGiven(info, "nProt", event.protocol);
}

}  // namespace

std::string dateTimeText(const platform::LocalDateTime& time) {
    const int offset = std::abs(time.utcOffsetMinutes);
    char text[64];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d%c%.2d:%.2d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second,
                  time.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::unique_ptr<XmlDocument> buildReceipt(std::string_view receiptNumber,
                                          const platform::Clock& clock) {
    auto document = newResponse("retEnviNFe");
    XmlNode& root = startAnswer(*document);
    writeStatusLines(root, {}, "103", "Lote recebido com sucesso");
    root.writeTextChild("dhRecbto", dateTimeText(clock.now()));
    XmlNode& infRec = root.appendChild("infRec");
    infRec.writeTextChild("nRec", receiptNumber);
    infRec.writeTextChild("tMed", "1");
    return document;
}

std::unique_ptr<XmlDocument> buildNotYetProcessedResult(std::string_view receiptNumber,
                                                        const platform::Clock& clock) {
    auto document = newResponse("retConsReciNFe");
    XmlNode& root = startAnswer(*document);
    writeStatusLines(root, receiptNumber, "105", "Lote em processamento");
    root.writeTextChild("dhRecbto", dateTimeText(clock.now()));
    return document;
}

std::unique_ptr<XmlDocument> buildProcessedResult(std::string_view receiptNumber,
                                                  const std::vector<ResultItem>& items,
                                                  const platform::Clock& clock) {
    auto document = newResponse("retConsReciNFe");
    XmlNode& root = startAnswer(*document);
    writeStatusLines(root, receiptNumber, "104", "Lote processado");
    root.writeTextChild("dhRecbto", dateTimeText(clock.now()));
    for (const auto& item : items) {
        appendProtocol(root, item);
    }
    return document;
}

std::unique_ptr<XmlDocument> buildVoidingResult(const VoidedRange& range,
                                                std::string_view protocolNumber,
                                                const platform::Clock& clock) {
    auto document = newResponse("retInutNFe");
    XmlNode& root = startAnswer(*document);
    XmlNode& info = root.appendChild("infInut");
    info.addAttribute("Id", "ID" + std::string(protocolNumber));
    writeStatusLines(info, {}, "102", "Inutilizacao de numero homologado");
    writeIfGiven(info, "ano", range.year);
    writeIfGiven(info, "CNPJ", range.cnpj);
    writeIfGiven(info, "mod", range.model);
    writeIfGiven(info, "serie", range.series);
    writeIfGiven(info, "nNFIni", range.first);
    writeIfGiven(info, "nNFFin", range.last);
    info.writeTextChild("dhRecbto", dateTimeText(clock.now()));
    info.writeTextChild("nProt", protocolNumber);
    return document;
}

std::unique_ptr<XmlDocument> buildEventResult(std::string_view batchId,
                                              const std::vector<EventAnswer>& events) {
    auto document = newResponse("retEnvEvento");
    XmlNode& root = startAnswer(*document, kEventVersion);
    root.writeTextChild("idLote", batchId);
    root.writeTextChild("tpAmb", "2");
    root.writeTextChild("verAplic", kServiceVersion);
    root.writeTextChild("cOrgao", "42");
    root.writeTextChild("cStat", "128");
    root.writeTextChild("xMotivo", "Lote de Evento Processado");
    for (const auto& event : events) {
        appendEventAnswer(root, event);
    }
    return document;
}

std::unique_ptr<XmlDocument> buildServiceStatus(std::string_view status, std::string_view reason,
                                                const platform::Clock& clock) {
    auto document = newResponse("retConsStatServ");
    XmlNode& root = startAnswer(*document);
    writeStatusLines(root, {}, status, reason);
    root.writeTextChild("dhRecbto", dateTimeText(clock.now()));
    root.writeTextChild("tMed", "1");
    return document;
}

std::unique_ptr<XmlDocument> buildSituationResult(std::string_view accessKey,
                                                  std::string_view status, std::string_view reason,
                                                  const KnownNfe* known,
                                                  const platform::Clock& clock) {
    auto document = newResponse("retConsSitNFe");
    XmlNode& root = startAnswer(*document);
    writeStatusLines(root, {}, status, reason);
    root.writeTextChild("dhRecbto", dateTimeText(clock.now()));
    root.writeTextChild("chNFe", accessKey);
    if (known == nullptr) {
        return document;
    }
    appendProtocol(root, known->protocol);
    if (!known->cancellationEvent.empty()) {
        // The event as it was requested, then its answer, each whole.
        XmlNode& process = root.appendChild("procEventoNFe");
        process.addAttribute("versao", kEventVersion);
        auto answer = XmlDocument::createWithRoot("answer");
        answer->setOutputForm(xml::OutputForm::Compact);
        appendEventAnswer(*answer->rootElement(), known->cancellation);
        process.setRawText(known->cancellationEvent +
                           answer->rootElement()->child(0)->writeToText());
    }
    return document;
}

std::unique_ptr<XmlDocument> buildArchiveCopy(const NfeRequest& nfe) {
    auto document = newResponse(nfe.element.name);
    XmlNode& root = *document->rootElement();
    for (const auto& [name, value] : nfe.element.attributes) {
        root.addAttribute(name, value);
    }
    if (nfe.signedByItself) {
        root.setRawText(nfe.element.content);
    } else {
        root.setRawText(nfe.element.content + signatureBlock());
    }
    return document;
}

}  // namespace kelmar::engine::layout400
