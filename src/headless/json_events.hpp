#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/polling_tick.hpp"
#include "form/message_presenter.hpp"
#include "platform/clock.hpp"

// Events for a test harness: one JSON object per line, UTF-8, for every request handled,
// every warning and every error. The fields are documented in docs/scenarios.md and
// are always present, with null or an empty list where nothing applies, so that a
// harness can rely on them.
namespace kelmar::ui {

// A JSON string literal of a Windows-1252 text: quoted, UTF-8, with the characters JSON
// requires escaped and every other control character as \u00XX.
std::string jsonString(std::string_view text);

// Builds one object, fields in the order added.
class JsonObject {
  public:
    JsonObject& text(std::string_view name, std::string_view value);
    JsonObject& optionalText(std::string_view name, const std::optional<std::string>& value);
    JsonObject& number(std::string_view name, std::int64_t value);
    JsonObject& optionalNumber(std::string_view name, std::optional<std::int64_t> value);
    JsonObject& texts(std::string_view name, const std::vector<std::string>& values);
    JsonObject& objects(std::string_view name, const std::vector<JsonObject>& values);

    // The object on one line, without a line feed.
    std::string str() const;

  private:
    void key(std::string_view name);
    std::string body_;
};

// "2009-01-16T14:50:43.551": the local time of an event.
std::string eventTime(const platform::LocalDateTime& time);

// {"event":"request","time":...,"folder":"envio","file":...,"kind":"NF-e","keys":[...],
//  "outcomes":[{"key":...,"outcome":...,"reason":...}],"batch":205,
//  "receipt":"420000000159093","protocols":[...],"written":[...],
//  "answers":[{"file":...,"cStat":"103"}],"warnings":[...],"error":null}. Paths written
//  are shown as the system names them ("/" on POSIX); the answers are the files written
//  in "retorno", with the status code each carries (null for one that carries none).
std::string requestEvent(const engine::DispatchRecord& request,
                         const platform::LocalDateTime& time);

// {"event":"warning","time":...,"message":...}
std::string messageEvent(std::string_view event, std::string_view message,
                         const platform::LocalDateTime& time);

// {"event":"error","time":...,"folder":"envio","file":"x-nfe.xml","message":...}, folder
// and file null for an error that came from no request.
std::string errorEvent(std::string_view request, std::string_view message,
                       const platform::LocalDateTime& time);

// What the runner serves, told once before its first tick.
struct ReadyFacts {
    std::string version;
    long processId = 0;
    std::string settingsFile;    // path text, as the engine names it
    std::string exchangeFolder;  // path text, as the engine names it
    // "1.10" or "4.00"; nothing when the settings name no layout the runner knows (each
    // tick's error then says why).
    std::optional<std::string> layout;
};

// {"event":"ready","time":...,"version":"1.2.0","pid":4242,"settings":...,"folder":...,
// "layout":"4.00"}, paths shown as the system names them, layout null when unknown.
std::string readyEvent(const ReadyFacts& facts, const platform::LocalDateTime& time);

// Writes the events to a stream, one line each, flushed at once so that a harness
// reading a pipe sees each answer as soon as it is written.
class JsonEventReporter final : public engine::TickObserver, public MessagePresenter {
  public:
    JsonEventReporter(std::ostream& out, const platform::Clock& clock) : out_(out), clock_(clock) {}

    void requestHandled(const engine::DispatchRecord& request) override;
    void showError(std::string_view message) override;
    void showRequestError(std::string_view request, std::string_view message) override;
    void showReady(const ReadyFacts& facts);
    void showWarning(std::string_view message);
    void fileNotHandled(std::string_view message) override { showWarning(message); }

  private:
    std::ostream& out_;
    const platform::Clock& clock_;
};

}  // namespace kelmar::ui
