#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/simulator_state.hpp"

namespace kelmar::settings {

// The short names an outcome goes by on the command line, in scenario rules and in the
// lines the headless runner prints: "autorizado", "falha-esquema", "falha-envio",
// "nao-processado", "rejeitado", "denegado".
std::string_view outcomeName(ReturnKind kind);

// Every name in item order, as a Portuguese list: "autorizado, falha-esquema, ... e
// denegado".
std::string outcomeNamesInWords();

// The outcome of a name (exact spelling), or nothing.
std::optional<ReturnKind> outcomeFromName(std::string_view name);

}  // namespace kelmar::settings
