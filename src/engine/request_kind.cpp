#include "engine/request_kind.hpp"

#include <array>

namespace kelmar::engine {
namespace {

// The fragments of today's layout come last: a name holding one of the first four keeps
// its meaning.
constexpr std::array<std::string_view, 7> kEnvioFragments = {
    fragment::kNfe,   fragment::kReceiptQuery,  fragment::kCancellation, fragment::kVoiding,
    fragment::kEvent, fragment::kServiceStatus, fragment::kSituation};
constexpr std::array<RequestKind, 7> kEnvioKinds = {
    RequestKind::NFe,   RequestKind::ReceiptQuery,  RequestKind::Cancellation, RequestKind::Voiding,
    RequestKind::Event, RequestKind::ServiceStatus, RequestKind::Situation};

constexpr std::array<std::string_view, 2> kEnvioLoteFragments = {fragment::kNfe,
                                                                 fragment::kBatchList};
constexpr std::array<RequestKind, 2> kEnvioLoteKinds = {RequestKind::NFe, RequestKind::BatchList};

template <std::size_t N>
RequestKind firstMatch(std::string_view fileName, const std::array<std::string_view, N>& fragments,
                       const std::array<RequestKind, N>& kinds) {
    for (std::size_t i = 0; i < N; ++i) {
        if (fileName.find(fragments[i]) != std::string_view::npos) {
            return kinds[i];
        }
    }
    return RequestKind::Unrecognised;
}

}  // namespace

std::string_view folderName(RequestFolder folder) {
    return subfolderName(subfolderOf(folder));
}

std::string_view kindLabel(RequestKind kind) {
    switch (kind) {
        case RequestKind::NFe:
            return "NF-e";
        case RequestKind::ReceiptQuery:
            return "Consulta NF-e";
        case RequestKind::Cancellation:
            return "Cancelamento NF-e";
        case RequestKind::Voiding:
            return "Inutiliza\xE7\xE3o";
        case RequestKind::BatchList:
            return "Lote NF-e";
        case RequestKind::Event:
            return "Evento NF-e";
        case RequestKind::ServiceStatus:
            return "Status do Servi\xE7o";
        case RequestKind::Situation:
            return "Situa\xE7\xE3o NF-e";
        case RequestKind::Unrecognised:
            break;
    }
    return "SEM-FORMATO";
}

bool isLayout400Kind(RequestKind kind) {
    return kind == RequestKind::Event || kind == RequestKind::ServiceStatus ||
           kind == RequestKind::Situation;
}

std::span<const std::string_view> requestFragments(RequestFolder folder) {
    if (folder == RequestFolder::Envio) {
        return kEnvioFragments;
    }
    return kEnvioLoteFragments;
}

RequestKind classifyRequest(RequestFolder folder, std::string_view fileName) {
    if (folder == RequestFolder::Envio) {
        return firstMatch(fileName, kEnvioFragments, kEnvioKinds);
    }
    return firstMatch(fileName, kEnvioLoteFragments, kEnvioLoteKinds);
}

}  // namespace kelmar::engine
