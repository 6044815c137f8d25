#pragma once

#include <span>
#include <string_view>

#include "engine/exchange_names.hpp"

namespace kelmar::engine {

// What a request is, judged by its file name.
enum class RequestKind {
    NFe,           // an NF-e to submit (envio) or to hold for a later batch (envio_lote)
    ReceiptQuery,  // "Consulta NF-e"
    Cancellation,  // "Cancelamento NF-e"
    Voiding,       // "Inutilização"
    BatchList,     // "Lote NF-e"
    // Requests of today's layout, answered only in it:
    Event,          // "Evento NF-e": cancellation, correction letter, ...
    ServiceStatus,  // "Status do Serviço"
    Situation,      // "Situação NF-e"
    Unrecognised,   // "SEM-FORMATO"
};

// True for the kinds only today's layout answers.
bool isLayout400Kind(RequestKind kind);

// The subfolder name: "envio" or "envio_lote".
std::string_view folderName(RequestFolder folder);

// The kind's label, Windows-1252 (e.g. "Consulta NF-e", "SEM-FORMATO").
std::string_view kindLabel(RequestKind kind);

// The name fragments that mark a request in a folder, in the order they are tested.
std::span<const std::string_view> requestFragments(RequestFolder folder);

// Classifies by a case-sensitive substring test; the first fragment found wins.
RequestKind classifyRequest(RequestFolder folder, std::string_view fileName);

}  // namespace kelmar::engine
