#include "settings/outcome_names.hpp"

#include <array>

namespace kelmar::settings {
namespace {

constexpr std::array<std::string_view, kReturnKindCount> kOutcomeNames = {
    "autorizado", "falha-esquema", "falha-envio", "nao-processado", "rejeitado", "denegado"};

}  // namespace

std::string_view outcomeName(ReturnKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < kOutcomeNames.size() ? kOutcomeNames[index] : std::string_view{};
}

std::string outcomeNamesInWords() {
    std::string words;
    for (std::size_t i = 0; i < kOutcomeNames.size(); ++i) {
        if (i > 0) {
            words += i + 1 == kOutcomeNames.size() ? " e " : ", ";
        }
        words += kOutcomeNames[i];
    }
    return words;
}

std::optional<ReturnKind> outcomeFromName(std::string_view name) {
    for (std::size_t i = 0; i < kOutcomeNames.size(); ++i) {
        if (name == kOutcomeNames[i]) {
            return static_cast<ReturnKind>(i);
        }
    }
    return std::nullopt;
}

}  // namespace kelmar::settings
