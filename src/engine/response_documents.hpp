#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.hpp"
#include "xml/xml_document.hpp"

// The documents the sender and the authority would write, one builder each. Builders
// only build: the handlers decide where each document is saved. Dates are read from
// the clock at the moment their element is written.
namespace kelmar::engine {

inline constexpr std::string_view kNfeNamespace = "http://www.portalfiscal.inf.br/nfe";

// An empty answer with that root, written on one line in UTF-8 as every answer is.
std::unique_ptr<xml::XmlDocument> newResponse(std::string_view rootName);

// DadosLoteNfe: the batch the NF-e went into.
std::unique_ptr<xml::XmlDocument> buildBatchNumberDocument(std::int32_t batch);

// retEnviNFe: the authority's receipt for a batch.
std::unique_ptr<xml::XmlDocument> buildReceipt(std::int32_t receiptCounter,
                                               const platform::Clock& clock);

// retConsReciNFe kept in lotes: the NF-e file name of a one-NF-e batch.
std::unique_ptr<xml::XmlDocument> buildBatchRecord(std::string_view requestName);

// retConsReciNFe with cStat 105.
std::unique_ptr<xml::XmlDocument> buildNotYetProcessedResult(std::string_view receiptNumber);

// A processed receipt query result and its one protNFe, to which items are appended.
struct ProcessedResult {
    std::unique_ptr<xml::XmlDocument> document;
    xml::XmlNode* protNFe = nullptr;
};

// The cStat and xMotivo of an item when a scenario rule gives its own; an empty reason
// keeps the standard text of the item.
struct ItemStatus {
    std::string_view status;
    std::string_view reason;
};

ProcessedResult startProcessedResult(std::string_view receiptNumber);
void appendRejectedItem(ProcessedResult& result, std::string_view stem,
                        const platform::Clock& clock, std::optional<ItemStatus> custom = {});
void appendAuthorisedItem(ProcessedResult& result, std::string_view stem,
                          std::string_view protocolNumber, bool denied,
                          const platform::Clock& clock, std::optional<ItemStatus> custom = {});

// retCancNFe for the request key, with the protocol number as the layout answered in
// writes it.
std::unique_ptr<xml::XmlDocument> buildCancellationResult(std::string_view key,
                                                          std::string_view protocolNumber,
                                                          const platform::Clock& clock);

// retInutNFe; its fixed texts do not depend on the request.
std::unique_ptr<xml::XmlDocument> buildVoidingResult(std::int32_t protocolCounter,
                                                     const platform::Clock& clock);

// NFe holding the request's information element verbatim, followed by the signature;
// the declarations of the prefixes the element uses are added to NFe.
std::unique_ptr<xml::XmlDocument> buildArchiveCopy(
    std::string_view body,
    const std::vector<std::pair<std::string, std::string>>& prefixDeclarations = {});

}  // namespace kelmar::engine
