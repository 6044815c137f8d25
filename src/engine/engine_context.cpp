#include "engine/engine_context.hpp"

#include <algorithm>

#include "engine/engine_messages.hpp"
#include "engine/exchange_names.hpp"
#include "engine/scenario_source.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "settings/counter.hpp"

namespace kelmar::engine {

EngineContext::EngineContext(settings::SimulatorState& state,
                             const settings::SettingsFile& settingsFile,
                             const platform::Clock& clock, std::string sampleFolder)
    : state_(state),
      settingsFile_(settingsFile),
      clock_(clock),
      sampleFolder_(std::move(sampleFolder)) {}

std::string EngineContext::monthFolder() const {
    return requestMonth_.empty() ? monthText(clock_.now()) : requestMonth_;
}

std::string EngineContext::sampleErrorFile(std::string_view name) const {
    if (sampleFolder_.empty()) {
        return std::string(name);
    }
    return sampleFolder_ + "\\" + std::string(name);
}

std::int32_t EngineContext::advanceAndSave(settings::StateField counter, DispatchRecord& record) {
    // The next of this counter's numbers the request already holds, if any.
    auto& used = used_[static_cast<std::size_t>(counter)];
    std::size_t seen = 0;
    for (const auto& held : pending_.handOuts) {
        if (held.counter == counter && seen++ == used) {
            ++used;
            record.handOuts.push_back(shownInAnswers(held));
            return held.value;
        }
    }
    // Saved before anything is published with it, then noted as this request's: a crash
    // in between leaves the number unused, never used twice.
    const auto value = settings::advanceCounter(state_, counter);
    settingsFile_.save(state_);
    ++used;
    record.handOuts.push_back(shownInAnswers({counter, value}));
    if (!pendingPath_.empty()) {
        pending_.handOuts.push_back({counter, value});
        writePendingRequest(pendingPath_, pending_);
    }
    return value;
}

bool EngineContext::handedBefore(settings::StateField counter, std::string_view shown) const {
    const auto earlier = pending_.handOuts.begin() + static_cast<std::ptrdiff_t>(handedEarlier_);
    return std::any_of(pending_.handOuts.begin(), earlier, [&](const HandOut& held) {
        return held.counter == counter && shownInAnswers(held).shown == shown;
    });
}

void EngineContext::loadScenariosAndProfile() {
    const auto source = settingsFile_.read();
    const auto reading = settingsFile_.readings();
    if (scenarioReading_ != reading) {
        scenarios_ = readScenarios(*source);
        // An override stands for the file's key: a bad value there is then not an error.
        profile_ = profileOverride_ ? *profileOverride_ : settings::readLayoutProfile(*source);
        scenarioReading_ = reading;  // only once they could be read
    }
}

HandOut EngineContext::shownInAnswers(HandOut handOut) const {
    if (handOut.counter == settings::StateField::Receipt) {
        handOut.shown = receiptText(handOut.value);
    } else if (handOut.counter == settings::StateField::Protocol) {
        handOut.shown = protocolText(handOut.value);
    }
    return handOut;
}

std::string EngineContext::receiptText(std::int32_t receiptCounter) const {
    return answersInLayout400() ? receiptNumber400(receiptCounter) : receiptNumber(receiptCounter);
}

std::string EngineContext::protocolText(std::int32_t protocolCounter) const {
    return answersInLayout400() ? protocolNumber400(protocolCounter, clock_.now().year)
                                : protocolNumber(protocolCounter);
}

OutcomeDecision EngineContext::decide(std::string_view accessKey) const {
    return decideOutcome(scenarios_, returnKind(), accessKey);
}

void EngineContext::ensureArchiveFolders(ArchiveFolders which) const {
    const auto month = monthFolder();
    const auto exchange = layout();
    auto authorisedMonth = exchange.archiveMonth(Archive::Authorised, month);
    const bool withDenied = which == ArchiveFolders::All;
    if (authorisedMonth == archivesMade_ && (deniedMonthMade_ || !withDenied)) {
        return;
    }
    const auto deniedMonth = exchange.archiveMonth(Archive::Denied, month);
    // Made by an earlier request of the month, as a rule: then two looks are all it takes.
    const bool made =
        platform::directoryExists(authorisedMonth) &&
        platform::directoryExists(withDenied ? deniedMonth : exchange.archive(Archive::Denied));
    if (!made) {
        platform::createDirectory(exchange.archive(Archive::Authorised));
        platform::createDirectory(exchange.archive(Archive::Denied));
        platform::createDirectory(authorisedMonth);
        if (withDenied) {
            platform::createDirectory(deniedMonth);
        }
    }
    deniedMonthMade_ = withDenied;
    archivesMade_ = std::move(authorisedMonth);
}

}  // namespace kelmar::engine

namespace kelmar::engine {

void EngineContext::beginRequest(RequestFolder folder, const std::string& name,
                                 std::optional<PendingRequest> unfinished) {
    const auto exchange = layout();
    requestPath_ = exchange.request(folder, name);
    requestIdentity_.reset();
    requestRemoved_ = false;
    pendingPath_ = exchange.pendingRecord(folder);
    used_ = {};
    archivesMade_.clear();
    if (unfinished && unfinished->name == name) {
        pending_ = std::move(*unfinished);  // its numbers are used again, in order
    } else {
        pending_ = PendingRequest{name, std::nullopt, monthText(clock_.now()), {}};
    }
    requestMonth_ = pending_.month;
    handedEarlier_ = pending_.handOuts.size();
}

std::optional<PendingRequest> EngineContext::unfinishedRequest(RequestFolder folder) const {
    return readPendingRequest(layout().pendingRecord(folder));
}

void EngineContext::forgetUnfinished(RequestFolder folder) const {
    platform::deleteFile(layout().pendingRecord(folder));
}

void EngineContext::loadRequest(xml::XmlDocument& document, const std::string& pathText) {
    platform::FileIdentity opened;
    document.loadDocument(pathText, &opened);
    if (pathText != requestPath_) {
        return;
    }
    requestIdentity_ = opened;
    if (pending_.identity && *pending_.identity != opened) {
        // Rewritten since the unfinished attempt: a new request, with numbers of its own.
        requestMonth_ = monthText(clock_.now());
        pending_ = PendingRequest{pending_.name, std::nullopt, requestMonth_, {}};
        used_ = {};
        handedEarlier_ = 0;
    }
    pending_.identity = opened;
}

void EngineContext::requireAnswerable(std::initializer_list<Subfolder> answerFolders,
                                      std::optional<ArchiveFolders> archives) const {
    const auto exchange = layout();
    for (const auto subfolder : answerFolders) {
        const auto folder = exchange.subfolder(subfolder);
        if (!platform::folderTakesFiles(folder)) {
            throw Error(messages::folderTakesNoAnswers(folder));
        }
    }
    if (archives) {
        const auto month = monthFolder();
        std::vector<std::string> months = {exchange.archiveMonth(Archive::Authorised, month)};
        const bool all = *archives == ArchiveFolders::All;
        if (all) {
            months.push_back(exchange.archiveMonth(Archive::Denied, month));
        }
        // Both months taking files means both archives are there: nothing to make. Any
        // other case makes what is missing and looks again.
        if (all && std::all_of(months.begin(), months.end(), [](const std::string& folder) {
                return platform::folderTakesFiles(folder);
            })) {
            archivesMade_ = months.front();
            deniedMonthMade_ = true;
        } else {
            ensureArchiveFolders(*archives);
            for (const auto& folder : months) {
                if (!platform::folderTakesFiles(folder)) {
                    throw Error(messages::folderTakesNoAnswers(folder));
                }
            }
        }
    }
    if (!requestPath_.empty() && !platform::canRemoveFile(requestPath_)) {
        throw Error(messages::requestNotRemovable(requestPath_));
    }
}

void EngineContext::deleteRequest(const std::string& pathText) const {
    const bool begun = pathText == requestPath_;
    if (begun && requestIdentity_) {
        requestRemoved_ = platform::deleteFileIfUnchanged(pathText, *requestIdentity_);
    } else {
        platform::deleteFile(pathText);
    }
    // Finished once the request is gone; one that could not be deleted keeps its record,
    // so answering it again gives the same numbers.
    if (begun && !pendingPath_.empty() && (requestRemoved_ || !platform::fileExists(pathText))) {
        platform::deleteFile(pendingPath_);
    }
}

}  // namespace kelmar::engine
