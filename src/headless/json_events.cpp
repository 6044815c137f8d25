#include "headless/json_events.hpp"

#include <algorithm>

#include <array>
#include <cstdio>

#include "engine/exchange_names.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"
#include "settings/outcome_names.hpp"

namespace kelmar::ui {
namespace {

// Whether a path text the engine wrote names a file in the answer folder.
bool isAnswerFile(std::string_view path) {
    const auto end = path.find_last_of("\\/");
    if (end == path.npos || end == 0) {
        return false;
    }
    const auto start = path.find_last_of("\\/", end - 1);
    const auto folder =
        path.substr(start == path.npos ? 0 : start + 1, end - (start == path.npos ? 0 : start + 1));
    return folder == engine::subfolderName(engine::Subfolder::Retorno);
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : platform::cp1252ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    std::array<char, 8> escaped{};
                    std::snprintf(escaped.data(), escaped.size(), "\\u%04X", byte);
                    out += escaped.data();
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

void JsonObject::key(std::string_view name) {
    if (!body_.empty()) {
        body_ += ',';
    }
    body_ += jsonString(name);
    body_ += ':';
}

JsonObject& JsonObject::text(std::string_view name, std::string_view value) {
    key(name);
    body_ += jsonString(value);
    return *this;
}

JsonObject& JsonObject::optionalText(std::string_view name,
                                     const std::optional<std::string>& value) {
    key(name);
    body_ += value ? jsonString(*value) : "null";
    return *this;
}

JsonObject& JsonObject::number(std::string_view name, std::int64_t value) {
    key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::optionalNumber(std::string_view name, std::optional<std::int64_t> value) {
    key(name);
    body_ += value ? std::to_string(*value) : "null";
    return *this;
}

JsonObject& JsonObject::texts(std::string_view name, const std::vector<std::string>& values) {
    key(name);
    body_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        body_ += i == 0 ? "" : ",";
        body_ += jsonString(values[i]);
    }
    body_ += ']';
    return *this;
}

JsonObject& JsonObject::objects(std::string_view name, const std::vector<JsonObject>& values) {
    key(name);
    body_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        body_ += i == 0 ? "" : ",";
        body_ += values[i].str();
    }
    body_ += ']';
    return *this;
}

std::string JsonObject::str() const {
    return '{' + body_ + '}';
}

std::string eventTime(const platform::LocalDateTime& time) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second, time.millisecond);
    return text.data();
}

std::string requestEvent(const engine::DispatchRecord& request,
                         const platform::LocalDateTime& time) {
    std::vector<std::string> keys;
    std::vector<JsonObject> outcomes;
    for (const auto& applied : request.outcomes) {
        if (!applied.accessKey.empty()) {
            keys.push_back(applied.accessKey);
        }
        JsonObject outcome;
        outcome.optionalText("key", applied.accessKey.empty()
                                        ? std::nullopt
                                        : std::optional<std::string>(applied.accessKey));
        outcome.text("outcome", settings::outcomeName(applied.outcome));
        outcome.text("reason", applied.reason.text());
        outcomes.push_back(std::move(outcome));
    }
    std::optional<std::int64_t> batch;
    std::optional<std::string> receipt;
    std::vector<std::string> protocols;
    for (const auto& handOut : request.handOuts) {
        switch (handOut.counter) {
            case settings::StateField::Batch:
                batch = handOut.value;
                break;
            case settings::StateField::Receipt:
                receipt = handOut.text();
                break;
            case settings::StateField::Protocol:
                protocols.push_back(handOut.text());
                break;
            case settings::StateField::ExchangeFolder:
                break;
        }
    }
    std::vector<std::string> written;
    std::vector<JsonObject> answers;
    for (const auto& path : request.filesWritten) {
        written.push_back(platform::displayPath(path));
        if (isAnswerFile(path)) {
            JsonObject answer;
            answer.text("file", written.back()).optionalText("cStat", request.statusOf(path));
            answers.push_back(std::move(answer));
        }
    }
    // Today's layout: each event, status or situation query with the code it was given.
    std::vector<JsonObject> answered;
    for (const auto& item : request.answered) {
        if (!item.accessKey.empty() &&
            std::find(keys.begin(), keys.end(), item.accessKey) == keys.end()) {
            keys.push_back(item.accessKey);
        }
        const auto given = [](const std::string& text) {
            return text.empty() ? std::nullopt : std::optional<std::string>(text);
        };
        JsonObject entry;
        entry.optionalText("type", given(item.type))
            .optionalText("key", given(item.accessKey))
            .text("cStat", item.status);
        answered.push_back(std::move(entry));
    }
    std::vector<std::string> shownWarnings;
    for (const auto& warning : request.warnings) {
        shownWarnings.push_back(platform::displayMessage(warning));
    }
    JsonObject event;
    event.text("event", "request")
        .text("time", eventTime(time))
        .text("folder", engine::folderName(request.folder))
        .text("file", request.name)
        .text("kind", engine::kindLabel(request.kind))
        .texts("keys", keys)
        .objects("outcomes", outcomes)
        .optionalNumber("batch", batch)
        .optionalText("receipt", receipt)
        .texts("protocols", protocols)
        .texts("written", written)
        .objects("answers", answers)
        .objects("answered", answered)
        .texts("warnings", shownWarnings)
        .optionalText("error", std::nullopt);
    return event.str();
}

std::string messageEvent(std::string_view event, std::string_view message,
                         const platform::LocalDateTime& time) {
    JsonObject object;
    object.text("event", event)
        .text("time", eventTime(time))
        .text("message", platform::displayMessage(message));
    return object.str();
}

std::string errorEvent(std::string_view request, std::string_view message,
                       const platform::LocalDateTime& time) {
    std::optional<std::string> folder;
    std::optional<std::string> file;
    if (const auto slash = request.find('/'); slash != request.npos) {
        folder = std::string(request.substr(0, slash));
        file = std::string(request.substr(slash + 1));
    }
    JsonObject object;
    object.text("event", "error")
        .text("time", eventTime(time))
        .optionalText("folder", folder)
        .optionalText("file", file)
        .text("message", platform::displayMessage(message));
    return object.str();
}

std::string readyEvent(const ReadyFacts& facts, const platform::LocalDateTime& time) {
    JsonObject object;
    object.text("event", "ready")
        .text("time", eventTime(time))
        .text("version", facts.version)
        .number("pid", facts.processId)
        .text("settings", platform::displayPath(facts.settingsFile))
        .text("folder", platform::displayPath(facts.exchangeFolder))
        .optionalText("layout", facts.layout);
    return object.str();
}

void JsonEventReporter::requestHandled(const engine::DispatchRecord& request) {
    out_ << requestEvent(request, clock_.now()) << '\n' << std::flush;
}

void JsonEventReporter::showError(std::string_view message) {
    showRequestError({}, message);
}

void JsonEventReporter::showRequestError(std::string_view request, std::string_view message) {
    out_ << errorEvent(request, withClosingFullStop(message), clock_.now()) << '\n' << std::flush;
}

void JsonEventReporter::showReady(const ReadyFacts& facts) {
    out_ << readyEvent(facts, clock_.now()) << '\n' << std::flush;
}

void JsonEventReporter::showWarning(std::string_view message) {
    out_ << messageEvent("warning", message, clock_.now()) << '\n' << std::flush;
}

}  // namespace kelmar::ui
