#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/access_key_fields.hpp"
#include "settings/simulator_state.hpp"

// Test scenarios: rules that pick the outcome of each NF-e by its access key, the
// outcome for NF-e no rule names, and how long a batch stays "not yet processed".
// They come from the [CENARIOS] section of the settings file:
//
//   ESPERA=5
//   PADRAO=autorizado
//   REGRA1=nNF 13 -> rejeitado
//   REGRA2=CNPJ 12345678000190 -> denegado 301 Uso Denegado: Irregularidade fiscal
//   REGRA3=chave 4212* -> nao-processado
namespace kelmar::engine {

inline constexpr std::string_view kScenarioSection = "CENARIOS";

// What a rule compares: a numeric field of the key against a number or a range (as
// numbers, so "13" matches "000000013"), or the whole key against a glob.
struct KeyPattern {
    KeyField field = KeyField::WholeKey;
    std::string low;   // significant digits of the lower bound (no leading zeros)
    std::string high;  // significant digits of the upper bound
    std::string glob;  // "*" any run, "?" any one character; for the whole key only

    bool matches(std::string_view accessKey) const;
};

// "REGRAn=FIELD PATTERN -> OUTCOME [cStat [xMotivo]]".
struct ScenarioRule {
    std::string key;  // as spelled in the file, e.g. "REGRA3"
    long number = 0;  // n, the evaluation order
    KeyPattern pattern;
    settings::ReturnKind outcome = settings::ReturnKind::Authorised;
    std::string status;  // cStat replacing 227 or 302; empty keeps it
    std::string reason;  // xMotivo replacing the standard text; empty keeps it
};

// The state of the authority's service that a status query reports (SERVICO).
enum class ServiceState { Operating, Paused, Stopped };

struct Scenarios {
    std::vector<ScenarioRule> rules;                 // in increasing n
    std::optional<settings::ReturnKind> fallback;    // PADRAO
    std::int64_t waitSeconds = 0;                    // ESPERA
    ServiceState service = ServiceState::Operating;  // SERVICO

    // The first rule, in increasing n, whose pattern the key matches.
    const ScenarioRule* firstMatch(std::string_view accessKey) const;
};

// One rule. Raises kelmar::Error naming the key and what is wrong with the text.
ScenarioRule parseScenarioRule(std::string_view key, long number, std::string_view text);

// The whole section, given as its keys and values in file order. Empty values count as
// absent, so a rule can be switched off by emptying it. Raises kelmar::Error naming the
// first key that cannot be read, unknown keys included.
Scenarios parseScenarios(std::span<const std::pair<std::string, std::string>> entries);

}  // namespace kelmar::engine
