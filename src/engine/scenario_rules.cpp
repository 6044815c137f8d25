#include "engine/scenario_rules.hpp"

#include <algorithm>
#include <charconv>

#include "platform/error.hpp"
#include "platform/text_encoding.hpp"
#include "platform/text_helpers.hpp"
#include "settings/outcome_names.hpp"

namespace kelmar::engine {
namespace {

using settings::ReturnKind;

constexpr std::string_view kBlank = " \t";

// "[CENARIOS] REGRA3: <problem>"
[[noreturn]] void fail(std::string_view key, std::string_view problem) {
    std::string message = "[";
    message += kScenarioSection;
    message += "] ";
    message += key;
    message += ": ";
    message += problem;
    throw Error(message);
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Splits off the first blank-separated word; the rest keeps its inner spacing.
std::pair<std::string_view, std::string_view> firstWord(std::string_view text) {
    text = platform::trimText(text);
    const auto end = text.find_first_of(kBlank);
    if (end == text.npos) {
        return {text, {}};
    }
    return {text.substr(0, end), platform::trimText(text.substr(end))};
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string significantDigits(std::string_view digits) {
    const auto first = digits.find_first_not_of('0');
    return first == digits.npos ? std::string("0") : std::string(digits.substr(first));
}

// Compares two significant-digit numbers of any length.
int compareNumbers(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

bool globMatches(std::string_view glob, std::string_view text) {
    // Greedy match with one backtrack point: the last "*" seen.
    std::size_t g = 0;
    std::size_t t = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (g < glob.size() && (glob[g] == '?' || glob[g] == text[t])) {
            ++g;
            ++t;
        } else if (g < glob.size() && glob[g] == '*') {
            star = g++;
            resume = t;
        } else if (star != std::string_view::npos) {
            g = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (g < glob.size() && glob[g] == '*') {
        ++g;
    }
    return g == glob.size();
}

KeyPattern parsePattern(std::string_view key, KeyField field, std::string_view text) {
    KeyPattern pattern;
    pattern.field = field;
    if (field == KeyField::WholeKey) {
        pattern.glob = std::string(text);
        return pattern;
    }
    const auto dash = text.find('-');
    const auto lowText = text.substr(0, dash);
    const auto highText = dash == text.npos ? lowText : text.substr(dash + 1);
    if (!allDigits(lowText) || !allDigits(highText)) {
        fail(key, "o padr\xE3o " + quoted(text) + " de " + std::string(keyFieldName(field)) +
                      " n\xE3o \xE9 um n\xFAmero nem um intervalo a-b");
    }
    pattern.low = significantDigits(lowText);
    pattern.high = significantDigits(highText);
    const auto width = keyFieldWidth(field);
    for (const auto& bound : {pattern.low, pattern.high}) {
        if (bound.size() > width) {
            fail(key, "o n\xFAmero " + bound + " n\xE3o cabe em " +
                          std::string(keyFieldName(field)) + " (" + std::to_string(width) +
                          " d\xEDgitos)");
        }
    }
    if (compareNumbers(pattern.low, pattern.high) > 0) {
        fail(key, "o intervalo " + quoted(text) + " est\xE1 vazio");
    }
    return pattern;
}

// A custom xMotivo is Windows-1252 like every setting; a text that an editor saved as
// UTF-8 is taken as the letters it spells rather than as its bytes.
std::string settingText(std::string_view text) {
    const bool plainAscii = std::all_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!plainAscii) {
        if (auto converted = platform::utf8ToCp1252Exact(text)) {
            return *converted;
        }
    }
    return std::string(text);
}

// The n of "REGRAn" (case as the file spells it; keys ignore case), or nothing.
std::optional<long> ruleNumber(std::string_view key) {
    constexpr std::string_view kPrefix = "REGRA";
    if (key.size() <= kPrefix.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kPrefix.size(); ++i) {
        const char c = key[i];
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != kPrefix[i]) {
            return std::nullopt;
        }
    }
    const auto digits = key.substr(kPrefix.size());
    long number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (!allDigits(digits) || digits.front() == '0' || error != std::errc{} ||
        end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

ReturnKind parseOutcome(std::string_view key, std::string_view name) {
    const auto outcome = settings::outcomeFromName(name);
    if (!outcome) {
        fail(key, "o resultado " + quoted(name) + " \xE9 desconhecido; os resultados s\xE3o " +
                      settings::outcomeNamesInWords());
    }
    return *outcome;
}

std::int64_t parseWait(std::string_view key, std::string_view text) {
    // At most a day: a longer wait is a typing slip, not a scenario.
    constexpr std::int64_t kLongest = 86400;
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (!allDigits(text) || error != std::errc{} || end != text.data() + text.size() ||
        seconds > kLongest) {
        fail(key, quoted(text) + " n\xE3o \xE9 um n\xFAmero inteiro de segundos entre 0 e 86400");
    }
    return seconds;
}

}  // namespace

bool KeyPattern::matches(std::string_view accessKey) const {
    if (field == KeyField::WholeKey) {
        return globMatches(glob, accessKey);
    }
    if (!isDigitKey(accessKey)) {
        return false;
    }
    const auto value = significantDigits(keyFieldDigits(accessKey, field));
    return compareNumbers(low, value) <= 0 && compareNumbers(value, high) <= 0;
}

const ScenarioRule* Scenarios::firstMatch(std::string_view accessKey) const {
    for (const auto& rule : rules) {
        if (rule.pattern.matches(accessKey)) {
            return &rule;
        }
    }
    return nullptr;
}

ScenarioRule parseScenarioRule(std::string_view key, long number, std::string_view text) {
    ScenarioRule rule;
    rule.key = std::string(key);
    rule.number = number;

    const auto arrow = text.find("->");
    if (arrow == text.npos) {
        fail(key, "falta '->' entre o padr\xE3o e o resultado");
    }
    const auto [fieldName, afterField] = firstWord(text.substr(0, arrow));
    const auto [patternText, extra] = firstWord(afterField);
    if (fieldName.empty() || patternText.empty() || !extra.empty()) {
        fail(key, "antes de '->' v\xEAm um campo e um padr\xE3o, como em 'nNF 13 -> rejeitado'");
    }
    const auto field = keyFieldFromName(fieldName);
    if (!field) {
        fail(key, "o campo " + quoted(fieldName) + " \xE9 desconhecido; os campos s\xE3o " +
                      std::string(keyFieldNameList()));
    }
    rule.pattern = parsePattern(key, *field, patternText);

    const auto [outcomeText, codes] = firstWord(text.substr(arrow + 2));
    if (outcomeText.empty()) {
        fail(key, "falta o resultado depois de '->'");
    }
    rule.outcome = parseOutcome(key, outcomeText);
    if (!codes.empty()) {
        if (rule.outcome != ReturnKind::Rejected && rule.outcome != ReturnKind::Denied) {
            fail(key, "s\xF3 rejeitado e denegado levam cStat e xMotivo");
        }
        const auto [status, reason] = firstWord(codes);
        if (status.size() != 3 || !allDigits(status)) {
            fail(key, "o cStat " + quoted(status) + " n\xE3o tem tr\xEAs d\xEDgitos");
        }
        rule.status = std::string(status);
        rule.reason = settingText(reason);
    }
    return rule;
}

namespace {

ServiceState parseService(std::string_view key, std::string_view text) {
    if (text == "operacao") {
        return ServiceState::Operating;
    }
    if (text == "paralisado") {
        return ServiceState::Paused;
    }
    if (text == "sem-previsao") {
        return ServiceState::Stopped;
    }
    fail(key, "o estado '" + std::string(text) +
                  "' \xE9 desconhecido; os estados s\xE3o operacao, paralisado e sem-previsao");
}

}  // namespace

Scenarios parseScenarios(std::span<const std::pair<std::string, std::string>> entries) {
    Scenarios scenarios;
    for (const auto& [key, value] : entries) {
        const auto text = platform::trimText(value);
        if (text.empty()) {
            continue;
        }
        if (platform::sameTextIgnoringCase(key, "PADRAO")) {
            scenarios.fallback = parseOutcome(key, text);
        } else if (platform::sameTextIgnoringCase(key, "ESPERA")) {
            scenarios.waitSeconds = parseWait(key, text);
        } else if (platform::sameTextIgnoringCase(key, "SERVICO")) {
            scenarios.service = parseService(key, text);
        } else if (const auto number = ruleNumber(key)) {
            scenarios.rules.push_back(parseScenarioRule(key, *number, text));
        } else {
            fail(key,
                 "chave desconhecida; a se\xE7\xE3o aceita REGRA1, REGRA2, ..., PADRAO, ESPERA "
                 "e SERVICO");
        }
    }
    std::stable_sort(
        scenarios.rules.begin(), scenarios.rules.end(),
        [](const ScenarioRule& a, const ScenarioRule& b) { return a.number < b.number; });
    return scenarios;
}

}  // namespace kelmar::engine
