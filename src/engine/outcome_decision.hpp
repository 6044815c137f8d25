#pragma once

#include <string>
#include <string_view>

#include "engine/scenario_rules.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::engine {

// Why an outcome was applied.
enum class OutcomeSource {
    Selected,  // the window's choice or --outcome
    Fallback,  // PADRAO, overriding the selection
    Rule,      // a REGRAn naming the NF-e
    Wait,      // ESPERA: the batch is younger than the wait
    Repeated,  // the batch's result as its first processed answer gave it
    Service,   // SERVICO: the authority's service is down
};

struct OutcomeReason {
    OutcomeSource source = OutcomeSource::Selected;
    std::string rule;  // the rule's key, for OutcomeSource::Rule

    // "selecionado", "PADRAO", "regra REGRA3", "ESPERA", "repetido" or "SERVICO".
    std::string text() const;

    friend bool operator==(const OutcomeReason&, const OutcomeReason&) = default;
};

struct OutcomeDecision {
    settings::ReturnKind outcome = settings::ReturnKind::Authorised;
    OutcomeReason reason;
    const ScenarioRule* rule = nullptr;  // the rule that decided, if any
};

// An outcome applied while one request was handled: to one NF-e, or, with an empty
// key, to a whole batch (a receipt query answered "not yet processed").
struct AppliedOutcome {
    std::string accessKey;
    settings::ReturnKind outcome = settings::ReturnKind::Authorised;
    OutcomeReason reason;

    friend bool operator==(const AppliedOutcome&, const AppliedOutcome&) = default;
};

// The outcome for NF-e no rule names: PADRAO when present, else the selection.
OutcomeDecision selectedOutcome(const Scenarios& scenarios, settings::ReturnKind selected);

// The outcome for one NF-e: the first rule its key matches, else selectedOutcome.
OutcomeDecision decideOutcome(const Scenarios& scenarios, settings::ReturnKind selected,
                              std::string_view accessKey);

}  // namespace kelmar::engine
