#include "engine/response_documents.hpp"

#include "engine/exchange_names.hpp"
#include "engine/signature_block.hpp"

namespace kelmar::engine {
namespace {

using xml::XmlDocument;
using xml::XmlNode;

constexpr std::string_view kXsdNamespace = "http://www.w3.org/2001/XMLSchema";
constexpr std::string_view kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view kServiceVersion = "SVRS20090109120004";
constexpr std::string_view kProtocolId = "NFe160120091450435510";
constexpr std::string_view kDigestValue = "poqnTAEcWLQbrY5M+PGQy7063ZE=";

// The five root attributes of the query, cancellation and voiding results.
void addSchemaAttributes(XmlNode& root, std::string_view schemaFile, std::string_view version) {
    root.addAttribute("xmlns", kNfeNamespace);
    root.addAttribute("xmlns:xsd", kXsdNamespace);
    root.addAttribute("xmlns:xsi", kXsiNamespace);
    root.addAttribute("xsi:schemaLocation",
                      std::string(kNfeNamespace) + " " + std::string(schemaFile));
    root.addAttribute("versao", version);
}

std::unique_ptr<XmlDocument> startQueryResult(std::string_view receiptNumber,
                                              std::string_view applicationVersion,
                                              std::string_view status, std::string_view reason) {
    auto document = newResponse("retConsReciNFe");
    XmlNode& root = *document->rootElement();
    addSchemaAttributes(root, "retConsReciNFe_v1.10.xsd", "1.10");
    root.writeTextChild("tpAmb", "2");
    root.writeTextChild("verAplic", applicationVersion);
    root.writeTextChild("nRec", receiptNumber);
    root.writeTextChild("cStat", status);
    root.writeTextChild("xMotivo", reason);
    root.writeTextChild("cUF", "42");
    return document;
}

XmlNode& appendItemStart(ProcessedResult& result, std::string_view stem,
                         const platform::Clock& clock) {
    XmlNode& item = result.protNFe->appendChild("infProt");
    item.addAttribute("Id", kProtocolId);
    item.writeTextChild("tpAmb", "2");
    item.writeTextChild("verAplic", kServiceVersion);
    item.writeTextChild("chNFe", stem);
    item.writeDateTimeChild("dhRecbto", clock.now());
    return item;
}

// The status lines that open a receipt and the cancellation and voiding results.
void writeStatusLines(XmlNode& parent, std::string_view status, std::string_view reason) {
    parent.writeTextChild("tpAmb", "2");
    parent.writeTextChild("verAplic", "1.10");
    parent.writeTextChild("cStat", status);
    parent.writeTextChild("xMotivo", reason);
    parent.writeTextChild("cUF", "42");
}

// The information group of a cancellation or voiding result, up to its state code.
XmlNode& startHomologationResult(XmlNode& root, std::string_view group, std::string_view status,
                                 std::string_view reason) {
    XmlNode& info = root.appendChild(group);
    writeStatusLines(info, status, reason);
    return info;
}

}  // namespace

std::unique_ptr<XmlDocument> newResponse(std::string_view rootName) {
    auto document = XmlDocument::createWithRoot(rootName);
    document->setOutputForm(xml::OutputForm::Compact);
    document->setDeclarationEncoding("UTF-8");
    document->setDeclarationVersion("1.0");
    return document;
}

std::unique_ptr<XmlDocument> buildBatchNumberDocument(std::int32_t batch) {
    auto document = newResponse("DadosLoteNfe");
    document->rootElement()->writeTextChild("NumeroLoteGerado", std::to_string(batch));
    return document;
}

std::unique_ptr<XmlDocument> buildReceipt(std::int32_t receiptCounter,
                                          const platform::Clock& clock) {
    auto document = newResponse("retEnviNFe");
    XmlNode& root = *document->rootElement();
    root.addAttribute("xmlns", kNfeNamespace);
    root.addAttribute("versao", "1.10");
    writeStatusLines(root, "103", "Lote recebido com sucesso");
    XmlNode& infRec = root.appendChild("infRec");
    infRec.writeTextChild("nRec", receiptNumber(receiptCounter));
    infRec.writeDateTimeChild("dhRecbto", clock.now());
    infRec.writeTextChild("tMed", "2");
    return document;
}

std::unique_ptr<XmlDocument> buildBatchRecord(std::string_view requestName) {
    auto document = newResponse("retConsReciNFe");
    document->rootElement()->writeTextChild("ArquivoNFe", requestName);
    return document;
}

std::unique_ptr<XmlDocument> buildNotYetProcessedResult(std::string_view receiptNumber) {
    // "Lote ainda não processado"
    return startQueryResult(receiptNumber, "1.10", "105", "Lote ainda n\xE3o processado");
}

ProcessedResult startProcessedResult(std::string_view receiptNumber) {
    ProcessedResult result;
    result.document = startQueryResult(receiptNumber, kServiceVersion, "104", "Lote processado");
    result.protNFe = &result.document->rootElement()->appendChild("protNFe");
    result.protNFe->addAttribute("versao", "1.10");
    return result;
}

namespace {

// An item's cStat and xMotivo: the standard ones, or those a scenario rule gives.
void writeItemStatus(XmlNode& item, ItemStatus standard, std::optional<ItemStatus> custom) {
    const auto status = custom ? custom->status : standard.status;
    const auto reason = custom && !custom->reason.empty() ? custom->reason : standard.reason;
    item.writeTextChild("cStat", status);
    item.writeTextChild("xMotivo", reason);
}

}  // namespace

void appendRejectedItem(ProcessedResult& result, std::string_view stem,
                        const platform::Clock& clock, std::optional<ItemStatus> custom) {
    XmlNode& item = appendItemStart(result, stem, clock);
    item.writeTextChild("digVal", kDigestValue);
    writeItemStatus(item, {"227", "Rejeicao: Erro na Chave de Acesso - Campo ID"}, custom);
}

void appendAuthorisedItem(ProcessedResult& result, std::string_view stem,
                          std::string_view protocolNumber, bool denied,
                          const platform::Clock& clock, std::optional<ItemStatus> custom) {
    XmlNode& item = appendItemStart(result, stem, clock);
    item.writeTextChild("nProt", protocolNumber);
    item.writeTextChild("digVal", kDigestValue);
    if (denied) {
        // "Denegação: Situação do Destinatário Irregular"
        writeItemStatus(
            item, {"302", "Denega\xE7\xE3o: Situa\xE7\xE3o do Destinat\xE1rio Irregular"}, custom);
    } else {
        writeItemStatus(item, {"100", "Autorizado o uso da NF-e"}, custom);
    }
}

std::unique_ptr<XmlDocument> buildCancellationResult(std::string_view key,
                                                     std::string_view protocolNumber,
                                                     const platform::Clock& clock) {
    auto document = newResponse("retCancNFe");
    XmlNode& root = *document->rootElement();
    addSchemaAttributes(root, "retCancNFe_v1.07.xsd", "1.07");
    XmlNode& info =
        startHomologationResult(root, "infCanc", "101", "Cancelamento de NF-e homologado");
    info.writeTextChild("chNFe", key);
    info.writeDateTimeChild("dhRecbto", clock.now());
    info.writeTextChild("nProt", protocolNumber);
    return document;
}

std::unique_ptr<XmlDocument> buildVoidingResult(std::int32_t protocolCounter,
                                                const platform::Clock& clock) {
    auto document = newResponse("retInutNFe");
    XmlNode& root = *document->rootElement();
    addSchemaAttributes(root, "retInutNFe_v1.07.xsd", "1.07");
    XmlNode& info =
        startHomologationResult(root, "infInut", "102", "Inutilizacao de numero homologado");
    info.writeTextChild("ano", "09");
    info.writeTextChild("CNPJ", "12345678901234");
    info.writeTextChild("mod", "55");
    info.writeTextChild("serie", "1");
    info.writeTextChild("nNFIni", "1");
    info.writeTextChild("nNFFin", "1");
    info.writeDateTimeChild("dhRecbto", clock.now());
    info.writeTextChild("nProt", protocolNumber(protocolCounter));
    return document;
}

std::unique_ptr<XmlDocument> buildArchiveCopy(
    std::string_view body,
    const std::vector<std::pair<std::string, std::string>>& prefixDeclarations) {
    auto document = newResponse("NFe");
    XmlNode& root = *document->rootElement();
    root.addAttribute("xmlns", kNfeNamespace);
    for (const auto& [name, value] : prefixDeclarations) {
        root.addAttribute(name, value);
    }
    std::string content;
    content.reserve(body.size() + signatureBlock().size());
    content += body;
    content += signatureBlock();
    root.setRawText(content);
    return document;
}

}  // namespace kelmar::engine
