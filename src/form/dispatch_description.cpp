#include "form/dispatch_description.hpp"

#include <algorithm>

#include "engine/exchange_names.hpp"
#include "settings/outcome_names.hpp"

namespace kelmar::ui {
namespace {

std::string describeHandOut(const engine::HandOut& handOut) {
    switch (handOut.counter) {
        case settings::StateField::Batch:
            return "lote " + std::to_string(handOut.value);
        case settings::StateField::Receipt:
            return "recibo " + handOut.text();
        case settings::StateField::Protocol:
            return "protocolo " + handOut.text();
        case settings::StateField::ExchangeFolder:
            break;
    }
    return {};
}

}  // namespace

std::string describeHandOuts(const std::vector<engine::HandOut>& handOuts) {
    std::string text;
    for (std::size_t i = 0; i < handOuts.size(); ++i) {
        text += i == 0 ? "" : ", ";
        text += describeHandOut(handOuts[i]);
    }
    return text;
}

std::string describeOutcomes(const engine::DispatchRecord& record) {
    std::string text;
    for (const auto& applied : record.outcomes) {
        text += text.empty() ? "" : ", ";
        if (record.kind == engine::RequestKind::ReceiptQuery && !applied.accessKey.empty()) {
            text += applied.accessKey + ' ';
        }
        text += settings::outcomeName(applied.outcome);
        text += " [" + applied.reason.text() + ']';
    }
    return text;
}

std::string describeAnswered(const engine::DispatchRecord& record) {
    std::string text;
    for (const auto& item : record.answered) {
        text += text.empty() ? "" : ", ";
        for (const auto* part : {&item.type, &item.accessKey}) {
            if (!part->empty()) {
                text += *part + ' ';
            }
        }
        text += item.status;
    }
    return text;
}

std::string describeOutcomeCounts(const engine::DispatchRecord& record) {
    if (record.outcomes.empty() && !record.answered.empty()) {
        std::string codes = "cStat";
        for (const auto& item : record.answered) {
            codes += (codes.size() == 5 ? " " : ", ") + item.status;
        }
        return codes;
    }
    if (record.outcomes.size() == 1) {
        return std::string(settings::outcomeName(record.outcomes.front().outcome));
    }
    std::string text;
    for (int kind = 0; kind < settings::kReturnKindCount; ++kind) {
        const auto outcome = static_cast<settings::ReturnKind>(kind);
        const auto count =
            std::count_if(record.outcomes.begin(), record.outcomes.end(),
                          [outcome](const auto& applied) { return applied.outcome == outcome; });
        if (count > 0) {
            text += text.empty() ? "" : ", ";
            text += std::to_string(count) + ' ' + std::string(settings::outcomeName(outcome));
        }
    }
    return text;
}

std::string describeHandledRequest(const engine::DispatchRecord& record) {
    std::string line(engine::folderName(record.folder));
    line += '/';
    line += record.name;
    line += ": ";
    line += engine::kindLabel(record.kind);
    if (!record.handOuts.empty()) {
        line += " (" + describeHandOuts(record.handOuts) + ')';
    }
    if (!record.outcomes.empty()) {
        line += " -> " + describeOutcomes(record);
    }
    if (!record.answered.empty()) {
        line += " -> " + describeAnswered(record);
    }
    return line;
}

}  // namespace kelmar::ui
