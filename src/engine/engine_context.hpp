#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dispatch_record.hpp"
#include "engine/exchange_layout.hpp"
#include "engine/outcome_decision.hpp"
#include "engine/pending_request.hpp"
#include "engine/scenario_rules.hpp"
#include "platform/clock.hpp"
#include "platform/file_identity.hpp"
#include "settings/layout_profile.hpp"
#include "settings/settings_file.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::engine {

// Which archive folders a handler makes sure of before writing into them.
enum class ArchiveFolders {
    All,                 // Autorizados, Denegados and both month folders
    WithoutDeniedMonth,  // cancellation and voiding leave Denegados' month folder alone
};

// Everything a request handler works with: the live state, the settings file that
// every counter advance is saved to, the clock, and where the sample error files are.
class EngineContext {
  public:
    // sampleFolder: where "erro_layout.err" and "erro_envio.err" are found; empty means
    // the bare names, that is the process's working directory.
    EngineContext(settings::SimulatorState& state, const settings::SettingsFile& settingsFile,
                  const platform::Clock& clock, std::string sampleFolder = {});

    settings::SimulatorState& state() const { return state_; }
    settings::ReturnKind returnKind() const { return state_.returnKind(); }
    const platform::Clock& clock() const { return clock_; }
    const settings::SettingsFile& settingsFile() const { return settingsFile_; }

    // The layout of the exchange folder as the state names it now; the folder text is
    // read afresh on every call, so an edit counts at the next path built.
    ExchangeLayout layout() const { return ExchangeLayout(state_.exchangeFolder()); }

    // The month folder name a request is filed under: read from the clock once, when
    // the request is begun, so its copies never straddle two months.
    std::string monthFolder() const;

    // The path of a sample error file ("erro_layout.err", "erro_envio.err").
    std::string sampleErrorFile(std::string_view name) const;

    // Advances a counter, saves the settings at once, and notes the number handed out
    // in the record of the request it is for and in the record of the request in
    // progress. A request tried again after a failure gets back, in the same order, the
    // numbers it was handed before, and no counter moves for them.
    std::int32_t advanceAndSave(settings::StateField counter, DispatchRecord& record);

    // True when an earlier, unfinished attempt at the request in progress was handed the
    // number its answers show as `shown`: what that attempt recorded is its own doing.
    bool handedBefore(settings::StateField counter, std::string_view shown) const;

    // Creates the archive folders one level at a time; failures are ignored.
    void ensureArchiveFolders(ArchiveFolders which) const;

    // Starts a request: its month is fixed from now on (kept from an earlier attempt at
    // it that did not finish, with the numbers that attempt was handed). `unfinished` is
    // the folder's record as unfinishedRequest read it this tick.
    void beginRequest(RequestFolder folder, const std::string& name,
                      std::optional<PendingRequest> unfinished);

    // The record of the request a failed or killed attempt left unfinished in the folder,
    // which must be completed before any other; nothing when there is none.
    std::optional<PendingRequest> unfinishedRequest(RequestFolder folder) const;
    // Forgets it (its file is gone: its numbers stay unused).
    void forgetUnfinished(RequestFolder folder) const;

    // Reads the request begun, noting which file was read, as it was when opened.
    void loadRequest(xml::XmlDocument& document, const std::string& pathText);

    // Before any number moves: raises, naming the folder, unless every subfolder an
    // answer of this request goes into exists and takes files (the archive's month
    // folders made first when asked), and raises unless the request can be deleted
    // once answered. A request that cannot be completed is left as it is.
    void requireAnswerable(std::initializer_list<Subfolder> answerFolders,
                           std::optional<ArchiveFolders> archives) const;

    // Which file the request begun was when it was read; nothing before it was read.
    const std::optional<platform::FileIdentity>& requestIdentity() const {
        return requestIdentity_;
    }
    // True once deleteRequest removed the very file that was read.
    bool requestRemoved() const { return requestRemoved_; }

    // Deletes the request once answered, but only while it is the very file that was
    // read: one renamed over it or rewritten since is left for the next tick instead of
    // being deleted unread.
    void deleteRequest(const std::string& pathText) const;
    // Reads the scenarios and the layout profile from the settings file as it is now;
    // raises when a rule or the profile cannot be read. The handlers use what was read
    // last.
    void loadScenariosAndProfile();
    const Scenarios& scenarios() const { return scenarios_; }
    // The layout the answers are written in: the command line's choice, else the file's.
    settings::LayoutProfile profile() const { return profileOverride_.value_or(profile_); }
    void setProfileOverride(std::optional<settings::LayoutProfile> profile) {
        profileOverride_ = profile;
    }
    bool answersInLayout400() const { return profile() == settings::LayoutProfile::Layout400; }
    // The receipt and protocol numbers a counter gives in the layout answered in.
    std::string receiptText(std::int32_t receiptCounter) const;
    std::string protocolText(std::int32_t protocolCounter) const;
    // The hand-out with the number its answers show.
    HandOut shownInAnswers(HandOut handOut) const;
    const std::optional<settings::LayoutProfile>& profileOverride() const {
        return profileOverride_;
    }

    // The outcome for one NF-e under the scenarios and the selection.
    OutcomeDecision decide(std::string_view accessKey) const;

  private:
    settings::SimulatorState& state_;
    const settings::SettingsFile& settingsFile_;
    const platform::Clock& clock_;
    std::string sampleFolder_;
    std::string requestPath_;
    std::optional<platform::FileIdentity> requestIdentity_;
    mutable bool requestRemoved_ = false;
    std::string requestMonth_;
    std::string pendingPath_;
    // The archive folders this request had made (the authorised month's path, and
    // whether the denied month's too): archiving it asks for them a second time.
    mutable std::string archivesMade_;
    mutable bool deniedMonthMade_ = false;
    // Every number the request holds: those an unfinished attempt was handed, then those
    // this attempt takes. Written whole each time it grows, so a second failure keeps
    // them all.
    PendingRequest pending_;
    // How many of pending_'s numbers earlier attempts were handed.
    std::size_t handedEarlier_ = 0;
    // How many of each counter's numbers this attempt has used, in StateField order.
    std::array<std::size_t, settings::kStateFieldCount> used_{};
    Scenarios scenarios_;
    settings::LayoutProfile profile_ = settings::LayoutProfile::Layout110;
    std::optional<settings::LayoutProfile> profileOverride_;
    // Which reading of the settings the scenarios were worked out from; they are not
    // parsed again while the file is not read again.
    std::optional<std::uint64_t> scenarioReading_;
};

}  // namespace kelmar::engine
