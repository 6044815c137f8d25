#include "engine/outcome_decision.hpp"

namespace kelmar::engine {

std::string OutcomeReason::text() const {
    switch (source) {
        case OutcomeSource::Selected:
            return "selecionado";
        case OutcomeSource::Fallback:
            return "PADRAO";
        case OutcomeSource::Rule:
            return "regra " + rule;
        case OutcomeSource::Wait:
            return "ESPERA";
        case OutcomeSource::Repeated:
            return "repetido";
        case OutcomeSource::Service:
            return "SERVICO";
    }
    return {};
}

OutcomeDecision selectedOutcome(const Scenarios& scenarios, settings::ReturnKind selected) {
    if (scenarios.fallback) {
        return {*scenarios.fallback, {OutcomeSource::Fallback, {}}, nullptr};
    }
    return {selected, {OutcomeSource::Selected, {}}, nullptr};
}

OutcomeDecision decideOutcome(const Scenarios& scenarios, settings::ReturnKind selected,
                              std::string_view accessKey) {
    if (const auto* rule = scenarios.firstMatch(accessKey)) {
        return {rule->outcome, {OutcomeSource::Rule, rule->key}, rule};
    }
    return selectedOutcome(scenarios, selected);
}

}  // namespace kelmar::engine
