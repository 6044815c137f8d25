#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/polling_tick.hpp"
#include "form/desktop_opener.hpp"
#include "form/message_presenter.hpp"
#include "form/request_history.hpp"
#include "platform/clock.hpp"
#include "settings/layout_profile.hpp"
#include "settings/settings_file.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::ui {

// The last request answered, in parts, so that a narrow window can shorten the name
// and keep the rest. Texts are Windows-1252.
struct LastRequest {
    std::string time;     // "14:50:43"
    std::string kind;     // "NF-e", "Consulta NF-e", ...
    std::string name;     // the request's file name
    std::string outcome;  // "autorizado", "2 autorizado, 1 rejeitado", or empty
    std::string numbers;  // "lote 205, recibo 420000000159093", or empty
    std::string detail;   // "envio/a-nfe.xml: NF-e (lote 205, ...)", for a tooltip

    // "14:50:43  NF-e  a-nfe.xml  autorizado  lote 205, recibo 420000000159093".
    std::string text() const;

    // The text as it fits where a window shows it, `fits` telling whether a line fits:
    // time, kind, outcome and numbers always show, and a long file name gives way in
    // its middle ("14:50:43  NF-e  4209\x85-nfe.xml  autorizado  lote 205, ...").
    std::string textFitting(const std::function<bool(std::string_view)>& fits) const;

    friend bool operator==(const LastRequest&, const LastRequest&) = default;
};

// What the window's status line shows.
struct FormStatus {
    std::optional<LastRequest> lastRequest;  // none until a request has been answered
    // "Pasta base não encontrada" or "Faltam: retorno, lotes"; empty when all is there.
    std::string folderWarning;
    // The last error or warning, naming the request it came from ("envio/a-nfe.xml:
    // ... Nova tentativa a cada segundo."); an error stays while ticks fail, a warning
    // until the next request is answered. The message box keeps the error's own text.
    std::string problem;
    // "Cenários: 3 regras, PADRAO denegado", "Cenários com erro", or empty without any.
    std::string scenarios;
    // "Leiaute 4.00" while the answers are written in today's layout, "Leiaute com
    // erro" when LEIAUTE holds neither layout, empty for the default layout.
    std::string layout;

    friend bool operator==(const FormStatus&, const FormStatus&) = default;
};

// What a window does when the model changes: shows a field's new text or the new
// status. Called on the window's thread, from inside the model's own calls.
class FormObserver {
  public:
    virtual ~FormObserver() = default;
    virtual void fieldChanged(settings::StateField field, const std::string& text) = 0;
    virtual void statusChanged(const FormStatus& status) = 0;
    // A request was answered or a tick failed: the history has a new first entry.
    virtual void historyChanged(const RequestHistory&) {}
};

// Everything the operator's window does that does not depend on a window toolkit: the
// four fields and the outcome bound to the live state, Save, the start-up load, the
// timer's tick, the status line and the missing-folder warning. A window builds its
// controls, forwards the operator's actions and its timer to the model, and shows what
// the observer is told. Errors are shown through the presenter, never raised; while a
// message is shown, timer ticks are held back.
class FormModel final : private engine::TickObserver {
  public:
    FormModel(settings::SimulatorState& state, const settings::SettingsFile& settingsFile,
              engine::PollingTick& tick, MessagePresenter& presenter, const platform::Clock& clock);
    ~FormModel() override;
    FormModel(const FormModel&) = delete;
    FormModel& operator=(const FormModel&) = delete;

    // One observer at a time; nullptr detaches it.
    void setObserver(FormObserver* observer) { observer_ = observer; }

    // The window was created: loads the settings into the four fields and checks the
    // exchange folder. Runs once, at the window's start.
    void formCreate();

    const std::string& fieldText(settings::StateField field) const;
    // The operator changed a field's text; the engine uses it at its next use.
    void editField(settings::StateField field, std::string text);

    settings::ReturnKind outcome() const { return state_.returnKind(); }
    void selectOutcome(settings::ReturnKind kind) { state_.setReturnKind(kind); }

    // The Save button: writes the four texts to the settings file.
    void save();

    // The window's timer: one polling tick, then the folder check. Does nothing while
    // an error message is on screen (a message box keeps timer events coming). While
    // another simulator serves the folder, the message is shown once and ticks only try
    // the lock again, until the folder is free or the operator names another one.
    void timerTick();

    const FormStatus& status() const { return status_; }

    // The layout the command line chose, standing for the settings file's LEIAUTE.
    void setProfileOverride(std::optional<settings::LayoutProfile> profile);
    bool showingMessage() const { return showingMessage_; }

    // The last requests answered and the ticks that failed, newest first.
    const RequestHistory& history() const { return history_; }
    // Whether the window shows the history below its controls; collapsed at start.
    bool historyShown() const { return historyShown_; }
    void showHistory(bool shown) { historyShown_ = shown; }

    // Opens an entry's answer file, or the exchange folder, through the desktop. False
    // when there is no opener, no such entry or answer, or the desktop refused.
    // When the desktop refuses, the status line says so, naming the file.
    void setDesktopOpener(DesktopOpener* opener) { opener_ = opener; }
    bool openAnswer(std::size_t entry);
    bool openExchangeFolder();
    bool openFile(const std::string& pathText);

    // The text of a file a request wrote, for the window's own read-only view: UTF-8
    // documents converted for the window (a character it cannot hold becomes "?"), at
    // most kViewLimit bytes of it; the open error's message when it cannot be read.
    static constexpr std::size_t kViewLimit = std::size_t{4} * 1024 * 1024;
    static std::string documentText(const std::string& pathText);

  private:
    void requestHandled(const engine::DispatchRecord& record) override;
    void fileNotHandled(std::string_view message) override;
    void checkExchangeFolder();
    void checkScenarios();
    void addToHistory(HistoryEntry entry);
    void setStatus(FormStatus status);
    void report(const std::exception& error);
    // A tick failed: `problem` is the error as the status line names it.
    void failed(std::string request, std::string_view problem, const std::exception& error);

    settings::SimulatorState& state_;
    const settings::SettingsFile& settingsFile_;
    engine::PollingTick& tick_;
    MessagePresenter& presenter_;
    const platform::Clock& clock_;
    FormObserver* observer_ = nullptr;
    FormStatus status_;
    bool ticking_ = false;
    bool showingMessage_ = false;
    std::string servedElsewhere_;    // the lock message while another simulator serves
    bool problemIsFailure_ = false;  // the status's problem is a tick's error
    RequestHistory history_;
    bool historyShown_ = false;
    DesktopOpener* opener_ = nullptr;
    std::optional<settings::LayoutProfile> profileOverride_;
};

// "Pasta base não encontrada", "Faltam: retorno, lotes", or empty.
std::string folderWarning(const std::string& exchangeFolder);

}  // namespace kelmar::ui
