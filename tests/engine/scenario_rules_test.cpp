// The [CENARIOS] rule grammar: which keys each rule matches, what it answers with, and
// the message of every rule that cannot be read.
#include <gtest/gtest.h>

#include "engine/outcome_decision.hpp"
#include "engine/scenario_rules.hpp"
#include "engine/scenario_source.hpp"
#include "platform/error.hpp"
#include "settings/ini_file.hpp"
#include "support/temporary_folder.hpp"

namespace kelmar::engine {
namespace {

using settings::ReturnKind;

// cUF 42, AAMM 0901, CNPJ 12345678000190, mod 55, serie 001, nNF 000000013, tpEmis 1,
// cNF 00000001, cDV 0.
constexpr std::string_view kKey = "42090112345678000190550010000000131000000010";
// The same key with serie 900, nNF 000000025, tpEmis 6, cNF 87654321, cDV 7.
constexpr std::string_view kOtherKey = "42090112345678000190559000000000256876543217";

struct MatchCase {
    const char* rule;
    std::string_view key;
    bool matches;
};

TEST(ScenarioRules, EveryFieldNumberRangeAndGlob) {
    const MatchCase cases[] = {
        {"cUF 42 -> rejeitado", kKey, true},
        {"cUF 43 -> rejeitado", kKey, false},
        {"AAMM 901 -> rejeitado", kKey, true},
        {"AAMM 0812-0902 -> rejeitado", kKey, true},
        {"AAMM 0902-0912 -> rejeitado", kKey, false},
        {"CNPJ 12345678000190 -> rejeitado", kKey, true},
        {"CNPJ 12345678000191 -> rejeitado", kKey, false},
        {"mod 55 -> rejeitado", kKey, true},
        {"mod 65 -> rejeitado", kKey, false},
        {"serie 1 -> rejeitado", kKey, true},
        {"serie 900 -> rejeitado", kKey, false},
        {"serie 900 -> rejeitado", kOtherKey, true},
        {"nNF 13 -> rejeitado", kKey, true},
        {"nNF 000000013 -> rejeitado", kKey, true},
        {"nNF 0 -> rejeitado", kKey, false},
        {"nNF 14 -> rejeitado", kKey, false},
        {"nNF 13-13 -> rejeitado", kKey, true},
        {"nNF 10-20 -> rejeitado", kKey, true},
        {"nNF 20-29 -> rejeitado", kKey, false},
        {"nNF 20-29 -> rejeitado", kOtherKey, true},
        {"nNF 0-999999999 -> rejeitado", kKey, true},
        {"tpEmis 1 -> rejeitado", kKey, true},
        {"tpEmis 6 -> rejeitado", kOtherKey, true},
        {"cNF 1 -> rejeitado", kKey, true},
        {"cNF 87654321 -> rejeitado", kOtherKey, true},
        {"cDV 0 -> rejeitado", kKey, true},
        {"cDV 7 -> rejeitado", kKey, false},
        {"chave 4209* -> rejeitado", kKey, true},
        {"chave 4212* -> rejeitado", kKey, false},
        {"chave * -> rejeitado", kKey, true},
        {"chave *0 -> rejeitado", kKey, true},
        {"chave *7 -> rejeitado", kKey, false},
        {"chave 42??01* -> rejeitado", kKey, true},
        {"chave 42?01* -> rejeitado", kKey, false},
        {"chave 42090112345678000190550010000000131000000010 -> rejeitado", kKey, true},
        {"chave 4209011234567800019055001000000013100000001 -> rejeitado", kKey, false},
        // A key that is not 44 digits matches only the whole-key glob.
        {"nNF 13 -> rejeitado", "4209011234567800019055001000000013100000001", false},
        {"cUF 42 -> rejeitado", "4209011234567800019055001000000013100000001X", false},
        {"chave 42* -> rejeitado", "42-not-a-key", true},
        {"chave * -> rejeitado", "", true},
        {"chave ? -> rejeitado", "", false},
        // Blanks around the parts do not matter.
        {"  nNF\t13   ->   rejeitado  ", kKey, true},
    };
    for (const auto& c : cases) {
        const auto rule = parseScenarioRule("REGRA1", 1, c.rule);
        EXPECT_EQ(rule.pattern.matches(c.key), c.matches) << c.rule << " / " << c.key;
    }
}

struct OutcomeCase {
    const char* rule;
    ReturnKind outcome;
    const char* status;
    const char* reason;
};

TEST(ScenarioRules, OutcomesAndCustomCodes) {
    const OutcomeCase cases[] = {
        {"nNF 1 -> autorizado", ReturnKind::Authorised, "", ""},
        {"nNF 1 -> falha-esquema", ReturnKind::SchemaFailure, "", ""},
        {"nNF 1 -> falha-envio", ReturnKind::SendFailure, "", ""},
        {"nNF 1 -> nao-processado", ReturnKind::NotYetProcessed, "", ""},
        {"nNF 1 -> rejeitado", ReturnKind::Rejected, "", ""},
        {"nNF 1 -> denegado", ReturnKind::Denied, "", ""},
        {"nNF 1 -> rejeitado 539", ReturnKind::Rejected, "539", ""},
        {"nNF 1 -> rejeitado 539 Rejeicao: Duplicidade de NF-e", ReturnKind::Rejected, "539",
         "Rejeicao: Duplicidade de NF-e"},
        {"CNPJ 12345678000190 -> denegado 301 Uso Denegado:  Irregularidade fiscal  ",
         ReturnKind::Denied, "301", "Uso Denegado:  Irregularidade fiscal"},
        // Windows-1252 text stays as it is; UTF-8 text becomes the letters it spells.
        {"nNF 1 -> denegado 302 Denega\xE7\xE3o", ReturnKind::Denied, "302", "Denega\xE7\xE3o"},
        {"nNF 1 -> denegado 302 Denega\xC3\xA7\xC3\xA3o", ReturnKind::Denied, "302",
         "Denega\xE7\xE3o"},
        // An arrow in the reason belongs to the reason.
        {"nNF 1 -> rejeitado 999 a -> b", ReturnKind::Rejected, "999", "a -> b"},
    };
    for (const auto& c : cases) {
        const auto rule = parseScenarioRule("REGRA7", 7, c.rule);
        EXPECT_EQ(rule.outcome, c.outcome) << c.rule;
        EXPECT_EQ(rule.status, c.status) << c.rule;
        EXPECT_EQ(rule.reason, c.reason) << c.rule;
        EXPECT_EQ(rule.key, "REGRA7");
        EXPECT_EQ(rule.number, 7);
    }
}

struct BadRule {
    const char* key;
    const char* text;
    const char* message;
};

TEST(ScenarioRules, RulesThatCannotBeReadNameTheKeyAndTheProblem) {
    const BadRule cases[] = {
        {"REGRA1", "nNF 13 rejeitado",
         "[CENARIOS] REGRA1: falta '->' entre o padr\xE3o e o resultado"},
        {"REGRA2", "nNF -> rejeitado",
         "[CENARIOS] REGRA2: antes de '->' v\xEAm um campo e um padr\xE3o, como em 'nNF 13 -> "
         "rejeitado'"},
        {"REGRA3", "nNF 13 14 -> rejeitado",
         "[CENARIOS] REGRA3: antes de '->' v\xEAm um campo e um padr\xE3o, como em 'nNF 13 -> "
         "rejeitado'"},
        {"REGRA4", "numero 13 -> rejeitado",
         "[CENARIOS] REGRA4: o campo 'numero' \xE9 desconhecido; os campos s\xE3o cUF, AAMM, "
         "CNPJ, mod, serie, nNF, tpEmis, cNF, cDV e chave"},
        {"REGRA5", "NNF 13 -> rejeitado",
         "[CENARIOS] REGRA5: o campo 'NNF' \xE9 desconhecido; os campos s\xE3o cUF, AAMM, CNPJ, "
         "mod, serie, nNF, tpEmis, cNF, cDV e chave"},
        {"REGRA6", "nNF 1a -> rejeitado",
         "[CENARIOS] REGRA6: o padr\xE3o '1a' de nNF n\xE3o \xE9 um n\xFAmero nem um intervalo "
         "a-b"},
        {"REGRA7", "nNF 1* -> rejeitado",
         "[CENARIOS] REGRA7: o padr\xE3o '1*' de nNF n\xE3o \xE9 um n\xFAmero nem um intervalo "
         "a-b"},
        {"REGRA8", "nNF 20- -> rejeitado",
         "[CENARIOS] REGRA8: o padr\xE3o '20-' de nNF n\xE3o \xE9 um n\xFAmero nem um intervalo "
         "a-b"},
        {"REGRA9", "nNF 1-2-3 -> rejeitado",
         "[CENARIOS] REGRA9: o padr\xE3o '1-2-3' de nNF n\xE3o \xE9 um n\xFAmero nem um "
         "intervalo a-b"},
        {"REGRA10", "nNF 29-20 -> rejeitado",
         "[CENARIOS] REGRA10: o intervalo '29-20' est\xE1 vazio"},
        {"REGRA11", "nNF 1234567890 -> rejeitado",
         "[CENARIOS] REGRA11: o n\xFAmero 1234567890 n\xE3o cabe em nNF (9 d\xEDgitos)"},
        {"REGRA12", "cDV 0-10 -> rejeitado",
         "[CENARIOS] REGRA12: o n\xFAmero 10 n\xE3o cabe em cDV (1 d\xEDgitos)"},
        {"REGRA13", "nNF 13 ->", "[CENARIOS] REGRA13: falta o resultado depois de '->'"},
        {"REGRA14", "nNF 13 -> recusado",
         "[CENARIOS] REGRA14: o resultado 'recusado' \xE9 desconhecido; os resultados s\xE3o "
         "autorizado, falha-esquema, falha-envio, nao-processado, rejeitado e denegado"},
        {"REGRA15", "nNF 13 -> 4",
         "[CENARIOS] REGRA15: o resultado '4' \xE9 desconhecido; os resultados s\xE3o "
         "autorizado, falha-esquema, falha-envio, nao-processado, rejeitado e denegado"},
        {"REGRA16", "nNF 13 -> rejeitado 53",
         "[CENARIOS] REGRA16: o cStat '53' n\xE3o tem tr\xEAs d\xEDgitos"},
        {"REGRA17", "nNF 13 -> rejeitado 5390 Texto",
         "[CENARIOS] REGRA17: o cStat '5390' n\xE3o tem tr\xEAs d\xEDgitos"},
        {"REGRA18", "nNF 13 -> denegado Uso Denegado",
         "[CENARIOS] REGRA18: o cStat 'Uso' n\xE3o tem tr\xEAs d\xEDgitos"},
        {"REGRA19", "nNF 13 -> autorizado 100 Autorizado",
         "[CENARIOS] REGRA19: s\xF3 rejeitado e denegado levam cStat e xMotivo"},
    };
    for (const auto& c : cases) {
        try {
            parseScenarioRule(c.key, 1, c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.text;
        }
    }
}

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(ScenarioSection, RulesRunInIncreasingNumberWhateverTheirOrderInTheFile) {
    const Entries entries = {{"REGRA10", "chave * -> denegado"},
                             {"REGRA2", "nNF 13 -> rejeitado"},
                             {"regra1", "nNF 25 -> falha-envio"},
                             {"PADRAO", "nao-processado"},
                             {"ESPERA", "5"}};
    const auto scenarios = parseScenarios(entries);
    ASSERT_EQ(scenarios.rules.size(), 3u);
    EXPECT_EQ(scenarios.rules[0].key, "regra1");
    EXPECT_EQ(scenarios.rules[1].key, "REGRA2");
    EXPECT_EQ(scenarios.rules[2].key, "REGRA10");
    EXPECT_EQ(scenarios.fallback, ReturnKind::NotYetProcessed);
    EXPECT_EQ(scenarios.waitSeconds, 5);

    EXPECT_EQ(scenarios.firstMatch(kKey)->key, "REGRA2");
    EXPECT_EQ(scenarios.firstMatch(kOtherKey)->key, "regra1");
    EXPECT_EQ(scenarios.firstMatch("short")->key, "REGRA10");
}

TEST(ScenarioSection, EmptyValuesAreAbsent) {
    const Entries entries = {{"REGRA1", ""}, {"PADRAO", "  "}, {"ESPERA", ""}};
    const auto scenarios = parseScenarios(entries);
    EXPECT_TRUE(scenarios.rules.empty());
    EXPECT_FALSE(scenarios.fallback);
    EXPECT_EQ(scenarios.waitSeconds, 0);
}

TEST(ScenarioSection, KeysThatCannotBeReadNameTheKey) {
    const BadRule cases[] = {
        {"PADRAO", "aprovado",
         "[CENARIOS] PADRAO: o resultado 'aprovado' \xE9 desconhecido; os resultados s\xE3o "
         "autorizado, falha-esquema, falha-envio, nao-processado, rejeitado e denegado"},
        {"ESPERA", "2.5",
         "[CENARIOS] ESPERA: '2.5' n\xE3o \xE9 um n\xFAmero inteiro de segundos entre 0 e 86400"},
        {"ESPERA", "-1",
         "[CENARIOS] ESPERA: '-1' n\xE3o \xE9 um n\xFAmero inteiro de segundos entre 0 e 86400"},
        {"ESPERA", "86401",
         "[CENARIOS] ESPERA: '86401' n\xE3o \xE9 um n\xFAmero inteiro de segundos entre 0 e "
         "86400"},
        {"ESPERA", "99999999999999999999999",
         "[CENARIOS] ESPERA: '99999999999999999999999' n\xE3o \xE9 um n\xFAmero inteiro de "
         "segundos entre 0 e 86400"},
        {"REGRA0", "nNF 1 -> rejeitado",
         "[CENARIOS] REGRA0: chave desconhecida; a se\xE7\xE3o aceita REGRA1, REGRA2, ..., "
         "PADRAO, ESPERA e SERVICO"},
        {"REGRA01", "nNF 1 -> rejeitado",
         "[CENARIOS] REGRA01: chave desconhecida; a se\xE7\xE3o aceita REGRA1, REGRA2, ..., "
         "PADRAO, ESPERA e SERVICO"},
        {"REGRA", "nNF 1 -> rejeitado",
         "[CENARIOS] REGRA: chave desconhecida; a se\xE7\xE3o aceita REGRA1, REGRA2, ..., PADRAO, "
         "ESPERA e SERVICO"},
        {"REGRA99999999999999999999", "nNF 1 -> rejeitado",
         "[CENARIOS] REGRA99999999999999999999: chave desconhecida; a se\xE7\xE3o aceita REGRA1, "
         "REGRA2, ..., PADRAO, ESPERA e SERVICO"},
        {"PADR\xC3O", "rejeitado",
         "[CENARIOS] PADR\xC3O: chave desconhecida; a se\xE7\xE3o aceita REGRA1, REGRA2, ..., "
         "PADRAO, "
         "ESPERA e SERVICO"},
        {"SERVICO", "parado",
         "[CENARIOS] SERVICO: o estado 'parado' \xE9 desconhecido; os estados s\xE3o operacao, "
         "paralisado e sem-previsao"},
    };
    for (const auto& c : cases) {
        const Entries entries = {{"REGRA1", "nNF 1 -> rejeitado"}, {c.key, c.text}};
        try {
            parseScenarios(entries);
            ADD_FAILURE() << "accepted: " << c.key << "=" << c.text;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.key << "=" << c.text;
        }
    }
}

TEST(ScenarioSection, ReadFromTheSettingsFileBesideTheCounters) {
    const settings::IniFile ini(
        "[NFE]\r\nLOTE=204\r\n[CENARIOS]\r\n; REGRA1=nNF 1 -> falha-envio\r\n"
        "REGRA1 = nNF 13 -> rejeitado 539 Rejeicao: Duplicidade\r\nPADRAO=denegado\r\n"
        "regra1=nNF 13 -> autorizado\r\n[OUTRA]\r\nREGRA9=nada disso\r\n");
    const auto scenarios = readScenarios(ini);
    ASSERT_EQ(scenarios.rules.size(), 1u);
    EXPECT_EQ(scenarios.rules[0].outcome, ReturnKind::Rejected);
    EXPECT_EQ(scenarios.rules[0].reason, "Rejeicao: Duplicidade");
    EXPECT_EQ(scenarios.fallback, ReturnKind::Denied);

    EXPECT_TRUE(readScenarios(settings::IniFile("[NFE]\nLOTE=204\n")).rules.empty());
}

TEST(ScenarioSection, TheSampleSettingsFileReadsAsItsCommentsSay) {
    const auto scenarios = readScenarios(
        settings::IniFile(testing::readFile(std::string(KELMAR_SAMPLES) + "/config.ini")));
    ASSERT_EQ(scenarios.rules.size(), 5u);
    EXPECT_EQ(scenarios.waitSeconds, 5);
    EXPECT_EQ(scenarios.fallback, ReturnKind::Authorised);
    EXPECT_EQ(scenarios.firstMatch(kKey)->key, "REGRA1");       // nNF 13
    EXPECT_EQ(scenarios.firstMatch(kOtherKey)->key, "REGRA2");  // serie 900
    const auto* denied = scenarios.firstMatch("42090112345678000190550010000000141000000010");
    ASSERT_NE(denied, nullptr);
    EXPECT_EQ(denied->status, "301");
    EXPECT_EQ(scenarios.firstMatch("42120100000000000000550010000000251000000010")->key, "REGRA4");
    EXPECT_EQ(scenarios.firstMatch("42120100000000000000550010000000011000000010")->key, "REGRA5");
    EXPECT_EQ(scenarios.firstMatch("43090100000000000000550010000000011000000010"), nullptr);
}

TEST(OutcomeDecision, RuleThenFallbackThenSelection) {
    const Entries entries = {{"REGRA3", "nNF 13 -> rejeitado 539 Duplicidade"}};
    auto scenarios = parseScenarios(entries);

    auto decision = decideOutcome(scenarios, ReturnKind::Denied, kKey);
    EXPECT_EQ(decision.outcome, ReturnKind::Rejected);
    EXPECT_EQ(decision.reason.text(), "regra REGRA3");
    ASSERT_NE(decision.rule, nullptr);
    EXPECT_EQ(decision.rule->status, "539");

    decision = decideOutcome(scenarios, ReturnKind::Denied, kOtherKey);
    EXPECT_EQ(decision.outcome, ReturnKind::Denied);
    EXPECT_EQ(decision.reason.text(), "selecionado");
    EXPECT_EQ(decision.rule, nullptr);

    scenarios.fallback = ReturnKind::Authorised;
    decision = decideOutcome(scenarios, ReturnKind::Denied, kOtherKey);
    EXPECT_EQ(decision.outcome, ReturnKind::Authorised);
    EXPECT_EQ(decision.reason.text(), "PADRAO");
}

}  // namespace
}  // namespace kelmar::engine
