#include "form/scenario_summary.hpp"

#include "settings/outcome_names.hpp"

namespace kelmar::ui {

std::string scenarioSummary(const engine::Scenarios& scenarios) {
    if (scenarios.rules.empty() && !scenarios.fallback && scenarios.waitSeconds == 0) {
        return {};
    }
    const auto count = scenarios.rules.size();
    std::string text =
        "Cen\xE1rios: " + std::to_string(count) + (count == 1 ? " regra" : " regras");
    if (scenarios.fallback) {
        text += ", PADRAO ";
        text += settings::outcomeName(*scenarios.fallback);
    }
    if (scenarios.waitSeconds > 0) {
        text += ", ESPERA " + std::to_string(scenarios.waitSeconds) + " s";
    }
    return text;
}

}  // namespace kelmar::ui
