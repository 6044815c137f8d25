#include "form/scenario_summary.hpp"

#include <gtest/gtest.h>

namespace kelmar::ui {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(ScenarioSummary, CountsTheRulesInForce) {
    const struct {
        Entries entries;
        const char* summary;
    } cases[] = {
        {{}, ""},
        {{{"REGRA1", ""}}, ""},
        {{{"REGRA1", "nNF 1 -> rejeitado"}}, "Cen\xE1rios: 1 regra"},
        {{{"REGRA1", "nNF 1 -> rejeitado"}, {"REGRA7", "chave * -> denegado"}},
         "Cen\xE1rios: 2 regras"},
        {{{"PADRAO", "denegado"}}, "Cen\xE1rios: 0 regras, PADRAO denegado"},
        {{{"ESPERA", "5"}, {"REGRA2", "nNF 1 -> rejeitado"}}, "Cen\xE1rios: 1 regra, ESPERA 5 s"},
        {{{"ESPERA", "0"}}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scenarioSummary(engine::parseScenarios(c.entries)), c.summary);
    }
}

}  // namespace
}  // namespace kelmar::ui
