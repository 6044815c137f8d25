#pragma once

#include <string>

#include "engine/scenario_rules.hpp"

namespace kelmar::ui {

// What the window's status bar says about the scenarios in force, in Windows-1252:
// "Cenários: 3 regras, PADRAO denegado, ESPERA 5 s"; empty without any.
std::string scenarioSummary(const engine::Scenarios& scenarios);

// The status bar's text when the scenarios cannot be read.
inline constexpr const char* kScenarioProblem = "Cen\xE1rios com erro";

}  // namespace kelmar::ui
