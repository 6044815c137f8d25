#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/request_reading.hpp"
#include "platform/clock.hpp"
#include "xml/xml_document.hpp"

// The documents of today's layout (4.00): the same answers as the default layout's, in the
// form applications expect now. Dates are read from the clock when their element is
// written, except those of a batch's items, which are fixed when the batch is processed.
namespace kelmar::engine::layout400 {

// Local date and time to the second with the local offset: "2026-12-09T01:51:07-03:00".
std::string dateTimeText(const platform::LocalDateTime& time);

// retEnviNFe: the receipt for a batch.
std::unique_ptr<xml::XmlDocument> buildReceipt(std::string_view receiptNumber,
                                               const platform::Clock& clock);

// retConsReciNFe with cStat 105: the batch is still being processed.
std::unique_ptr<xml::XmlDocument> buildNotYetProcessedResult(std::string_view receiptNumber,
                                                             const platform::Clock& clock);

// One NF-e of a processed batch, as its result gives it. A rejected NF-e has no protocol.
struct ResultItem {
    std::string accessKey;
    std::string status;
    std::string reason;
    std::string protocol;  // empty when rejected
    std::string receivedAt;
    std::string digest;  // empty when the NF-e carried no signature
};

// retConsReciNFe with cStat 104 and one protNFe per item, in order.
std::unique_ptr<xml::XmlDocument> buildProcessedResult(std::string_view receiptNumber,
                                                       const std::vector<ResultItem>& items,
                                                       const platform::Clock& clock);

// The numbers a voiding request names, each empty when it names none.
struct VoidedRange {
    std::string year;
    std::string cnpj;
    std::string model;
    std::string series;
    std::string first;
    std::string last;
};

// retInutNFe 4.00 for the range.
std::unique_ptr<xml::XmlDocument> buildVoidingResult(const VoidedRange& range,
                                                     std::string_view protocolNumber,
                                                     const platform::Clock& clock);

// The answer to one event (retEvento's infEvento). A rejected event has no protocol.
struct EventAnswer {
    std::string status;
    std::string reason;
    std::string accessKey;
    std::string type;         // tpEvento, "110111"
    std::string description;  // xEvento, "Cancelamento"
    std::string sequence;     // nSeqEvento
    std::string registeredAt;
    std::string protocol;  // empty when not registered
};

// retEnvEvento 1.00: cStat 128 and one retEvento per event, in order.
std::unique_ptr<xml::XmlDocument> buildEventResult(std::string_view batchId,
                                                   const std::vector<EventAnswer>& events);

// retConsStatServ 4.00.
std::unique_ptr<xml::XmlDocument> buildServiceStatus(std::string_view status,
                                                     std::string_view reason,
                                                     const platform::Clock& clock);

// What a situation query answers for an NF-e the simulator knows: its protocol and, when
// cancelled, the cancellation event as requested (its markup) with its answer.
struct KnownNfe {
    ResultItem protocol;
    std::string cancellationEvent;
    EventAnswer cancellation;
};

// retConsSitNFe 4.00 for the key; `known` is null for an NF-e never authorised.
std::unique_ptr<xml::XmlDocument> buildSituationResult(std::string_view accessKey,
                                                       std::string_view status,
                                                       std::string_view reason,
                                                       const KnownNfe* known,
                                                       const platform::Clock& clock);

// The archive copy: the NFe element as the application sent it, with the fixed signature
// added only when it carries none of its own.
std::unique_ptr<xml::XmlDocument> buildArchiveCopy(const NfeRequest& nfe);

}  // namespace kelmar::engine::layout400
