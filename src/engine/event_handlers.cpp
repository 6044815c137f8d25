// Today's layout: events (cancellation, correction letter, any other type), service status
// and NF-e situation, answered from what the simulator remembers of each NF-e.
#include <map>
#include <set>
#include <vector>

#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/layout400_documents.hpp"
#include "engine/nfe_memory.hpp"
#include "engine/request_reading.hpp"
#include "engine/signature_block.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

using settings::ReturnKind;
using settings::StateField;

namespace {

constexpr std::string_view kCancellationType = "110111";
constexpr std::string_view kCorrectionType = "110110";

// "Rejeicao: NF-e nao consta na base de dados da SEFAZ"
constexpr std::string_view kUnknownNfe = "Rejeicao: NF-e nao consta na base de dados da SEFAZ";

// The text of a child element, trimmed; empty when there is none.
std::string childText(const xml::XmlNode* parent, std::string_view name) {
    const xml::XmlNode* child = parent != nullptr ? childNamed(*parent, name) : nullptr;
    return child != nullptr ? std::string(platform::trimText(child->valueText())) : std::string();
}

// One event of the request, as read.
struct RequestedEvent {
    std::string accessKey;
    std::string type;
    std::string sequence;
    std::string description;  // descEvento, for types this simulator has no name for
    std::string markup;       // the evento element whole, signed
};

std::vector<RequestedEvent> readEvents(const xml::XmlDocument& request, std::string_view name) {
    firstChildOfRoot(request, name);  // raises, naming the request, for an empty root
    const xml::XmlNode& root = *request.rootElement();
    // envEvento holds the events; an envelope around it, or a lone evento, also do.
    const xml::XmlNode* holder = elementNamed(root, "envEvento", 2);
    if (holder == nullptr) {
        holder = &root;
    }
    const bool convert = heldAsSingleBytes(request);
    std::vector<RequestedEvent> events;
    const auto take = [&](const xml::XmlNode& evento) {
        const xml::XmlNode* info = childNamed(evento, "infEvento");
        RequestedEvent event;
        event.accessKey = childText(info, "chNFe");
        event.type = childText(info, "tpEvento");
        event.sequence = childText(info, "nSeqEvento");
        event.description =
            childText(info != nullptr ? childNamed(*info, "detEvento") : nullptr, "descEvento");
        auto standalone = standaloneElement(evento, convert);
        if (childNamed(evento, "Signature") == nullptr) {
            standalone.content += signatureBlock();
        }
        event.markup = standalone.text();
        events.push_back(std::move(event));
    };
    if (localName(holder->name()) == "evento") {
        take(*holder);
    }
    for (int i = 0; i < holder->childCount(); ++i) {
        const xml::XmlNode* child = holder->child(i);
        if (child->elementKind() == xml::ElementKind::Element &&
            localName(child->name()) == "evento") {
            take(*child);
        }
    }
    return events;
}

// xEvento: the authority's name for the type, else the request's own description.
std::string eventName(const RequestedEvent& event) {
    if (event.type == kCancellationType) {
        return "Cancelamento";
    }
    if (event.type == kCorrectionType) {
        return "Carta de Correcao";
    }
    const auto own = event.description.substr(0, 60);
    return own.size() >= 5 ? own : "Evento";
}

int sequenceNumber(std::string_view text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > 1000) {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return text.empty() ? -1 : value;
}

}  // namespace

void ExchangeHandlers::registerEvents(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::Envio, name);
    std::string batchId;
    std::vector<RequestedEvent> events;
    {
        xml::XmlDocument document;
        context_.loadRequest(document, request);
        events = readEvents(document, name);
        const xml::XmlNode* id = elementNamed(*document.rootElement(), "idLote", 2);
        batchId = id != nullptr ? std::string(platform::trimText(id->valueText())) : "0";
    }
    context_.requireAnswerable({Subfolder::Retorno, Subfolder::Lotes},
                               ArchiveFolders::WithoutDeniedMonth);

    // What is known of each NF-e named, changed as its events are registered in order.
    std::map<std::string, std::optional<NfeMemory>> known;
    std::set<std::string> changed;
    std::set<std::string> reclaimed;  // numbers an earlier attempt registered, taken back
    std::vector<layout400::EventAnswer> answers;
    for (const auto& event : events) {
        layout400::EventAnswer answer;
        answer.accessKey = event.accessKey;
        answer.type = event.type;
        answer.description = eventName(event);
        answer.sequence = event.sequence;
        answer.registeredAt = layout400::dateTimeText(context_.clock().now());
        // A key that cannot name a file is one no NF-e of this simulator has.
        const bool safeKey = !unsafeFileNamePart(event.accessKey) && !event.accessKey.empty();
        if (safeKey && !known.contains(event.accessKey)) {
            known[event.accessKey] = readNfeMemory(exchange.nfeMemory(event.accessKey));
        }
        auto* nfe = safeKey && known[event.accessKey] ? &*known[event.accessKey] : nullptr;
        const auto* rule = context_.scenarios().firstMatch(event.accessKey);
        const bool cancellation = event.type == kCancellationType;
        const bool correction = event.type == kCorrectionType;
        const int sequence = sequenceNumber(event.sequence);
        // A registration an unfinished attempt at this request already made: the same
        // answer again, with its number.
        const auto own = [&](const std::string& protocol) {
            return !protocol.empty() && !reclaimed.contains(protocol) &&
                   context_.handedBefore(StateField::Protocol, protocol);
        };
        const auto* registered = nfe != nullptr && correction ? nfe->correction(sequence) : nullptr;
        bool registers = false;
        if (rule != nullptr && rule->outcome == ReturnKind::Rejected && !rule->status.empty()) {
            answer.status = rule->status;
            answer.reason = rule->reason.empty() ? "Rejeicao: Evento recusado" : rule->reason;
        } else if (nfe == nullptr) {
            answer.status = "217";
            answer.reason = kUnknownNfe;
        } else if (cancellation && nfe->cancelled() && own(nfe->cancellation.protocol)) {
            registers = true;
            answer.registeredAt = nfe->cancellation.registeredAt;
            reclaimed.insert(nfe->cancellation.protocol);
        } else if (registered != nullptr && own(registered->protocol)) {
            registers = true;
            reclaimed.insert(registered->protocol);
        } else if ((cancellation || correction) && nfe->outcome == ReturnKind::Denied) {
            answer.status = "205";
            answer.reason = "Rejeicao: NF-e esta denegada na base de dados da SEFAZ";
        } else if ((cancellation && nfe->cancelled()) || registered != nullptr) {
            answer.status = "573";
            answer.reason = "Rejeicao: Duplicidade de Evento";
        } else {
            registers = true;
        }
        if (registers) {
            answer.status = "135";
            answer.reason = "Evento registrado e vinculado a NF-e";
            answer.protocol =
                context_.protocolText(context_.advanceAndSave(StateField::Protocol, record));
            if (cancellation && !nfe->cancelled()) {
                nfe->cancellationEvent = event.markup;
                nfe->cancellation = answer;
                changed.insert(event.accessKey);
            } else if (correction && registered == nullptr && sequence > 0) {
                nfe->corrections.push_back({sequence, answer.protocol});
                changed.insert(event.accessKey);
            }
        }
        record.answered.push_back({event.type, event.accessKey, answer.status});
        answers.push_back(std::move(answer));
    }
    // Remembered before the answer is published: a retry after a crash in between finds
    // its own registrations by their numbers and answers them the same.
    for (const auto& key : changed) {
        const auto path = exchange.nfeMemory(key);
        writeNfeMemory(path, *known[key]);
        record.filesWritten.push_back(path);
    }
    saveRecorded(*layout400::buildEventResult(batchId, answers),
                 exchange.layout400Answer(name, fragment::kEvent, fragment::kEventResult), record);
    archiveLayout400Request(name, request, record);
}

void ExchangeHandlers::answerServiceStatus(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::Envio, name);
    {
        xml::XmlDocument document;
        context_.loadRequest(document, request);  // only a well-formed request is answered
    }
    context_.requireAnswerable({Subfolder::Retorno}, ArchiveFolders::WithoutDeniedMonth);
    std::string_view status = "107";
    std::string_view reason = "Servico em Operacao";
    if (context_.scenarios().service == ServiceState::Paused) {
        status = "108";
        reason = "Servico Paralisado Momentaneamente (curto prazo)";
    } else if (context_.scenarios().service == ServiceState::Stopped) {
        status = "109";
        reason = "Servico Paralisado sem Previsao";
    }
    record.answered.push_back({{}, {}, std::string(status)});
    saveRecorded(
        *layout400::buildServiceStatus(status, reason, context_.clock()),
        exchange.layout400Answer(name, fragment::kServiceStatus, fragment::kServiceStatusResult),
        record);
    archiveLayout400Request(name, request, record);
}

void ExchangeHandlers::answerSituation(const std::string& name, DispatchRecord& record) {
    const auto exchange = context_.layout();
    const auto request = exchange.request(RequestFolder::Envio, name);
    std::string key;
    {
        xml::XmlDocument document;
        context_.loadRequest(document, request);
        key = childText(elementNamed(*document.rootElement(), "consSitNFe", 2), "chNFe");
        if (key.empty()) {
            key = childText(document.rootElement(), "chNFe");
        }
    }
    context_.requireAnswerable({Subfolder::Retorno}, ArchiveFolders::WithoutDeniedMonth);
    std::optional<NfeMemory> nfe;
    if (!key.empty() && !unsafeFileNamePart(key)) {
        nfe = readNfeMemory(exchange.nfeMemory(key));
    }
    std::string status = "217";
    std::string reason(kUnknownNfe);
    layout400::KnownNfe known;
    if (nfe) {
        known.protocol = nfe->protocol;
        known.protocol.accessKey = key;
        if (nfe->cancelled()) {
            status = "101";
            reason = "Cancelamento de NF-e homologado";
            known.cancellationEvent = nfe->cancellationEvent;
            known.cancellation = nfe->cancellation;
            known.cancellation.accessKey = key;
            known.cancellation.type = std::string(kCancellationType);
        } else {
            status = nfe->protocol.status;
            reason = nfe->protocol.reason;
        }
    }
    record.answered.push_back({{}, key, status});
    saveRecorded(*layout400::buildSituationResult(key, status, reason, nfe ? &known : nullptr,
                                                  context_.clock()),
                 exchange.layout400Answer(name, fragment::kSituation, fragment::kSituationResult),
                 record);
    archiveLayout400Request(name, request, record);
}

void ExchangeHandlers::archiveLayout400Request(std::string_view name, const std::string& request,
                                               DispatchRecord& record) {
    context_.ensureArchiveFolders(ArchiveFolders::WithoutDeniedMonth);
    copyRecorded(request, archivePath(Archive::Authorised, name), record);
    context_.deleteRequest(request);
}

void ExchangeHandlers::rememberNfe(std::string_view receipt, const BatchMemory& memory,
                                   DispatchRecord& record) const {
    const auto exchange = context_.layout();
    for (const auto& entry : memory.entries) {
        const auto& key = entry.item.accessKey;
        if (entry.outcome == ReturnKind::Rejected || key.empty() || unsafeFileNamePart(key)) {
            continue;
        }
        // The first authorisation stands: a later batch with the same key, or the same
        // batch queried again, changes nothing that is known.
        const auto path = exchange.nfeMemory(key);
        if (readNfeMemory(path)) {
            continue;
        }
        NfeMemory nfe;
        nfe.receipt = std::string(receipt);
        nfe.outcome = entry.outcome;
        nfe.protocol = entry.item;
        writeNfeMemory(path, nfe);
        record.filesWritten.push_back(path);
    }
}

}  // namespace kelmar::engine
