#include "engine/engine_context.hpp"

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
    const auto value = settings::advanceCounter(state_, counter);
    record.handOuts.push_back({counter, value});
    settingsFile_.save(state_);
    return value;
}

void EngineContext::loadScenarios() {
    scenarios_ = engine::loadScenarios(settingsFile_);
}

OutcomeDecision EngineContext::decide(std::string_view accessKey) const {
    return decideOutcome(scenarios_, returnKind(), accessKey);
}

void EngineContext::ensureArchiveFolders(ArchiveFolders which) const {
    const auto month = monthFolder();
    const auto exchange = layout();
    platform::createDirectory(exchange.archive(Archive::Authorised));
    platform::createDirectory(exchange.archive(Archive::Denied));
    platform::createDirectory(exchange.archiveMonth(Archive::Authorised, month));
    if (which == ArchiveFolders::All) {
        platform::createDirectory(exchange.archiveMonth(Archive::Denied, month));
    }
}

}  // namespace kelmar::engine

namespace kelmar::engine {

void EngineContext::beginRequest(const std::string& pathText) {
    requestPath_ = pathText;
    requestIdentity_.reset();
    requestMonth_ = monthText(clock_.now());
}

void EngineContext::loadRequest(xml::XmlDocument& document, const std::string& pathText) {
    platform::FileIdentity opened;
    document.loadDocument(pathText, &opened);
    if (pathText == requestPath_) {
        requestIdentity_ = opened;
    }
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
        ensureArchiveFolders(*archives);
        const auto month = monthFolder();
        std::vector<std::string> months = {exchange.archiveMonth(Archive::Authorised, month)};
        if (*archives == ArchiveFolders::All) {
            months.push_back(exchange.archiveMonth(Archive::Denied, month));
        }
        for (const auto& folder : months) {
            if (!platform::folderTakesFiles(folder)) {
                throw Error(messages::folderTakesNoAnswers(folder));
            }
        }
    }
    if (!requestPath_.empty() && !platform::canRemoveFile(requestPath_)) {
        throw Error(messages::requestNotRemovable(requestPath_));
    }
}

void EngineContext::deleteRequest(const std::string& pathText) const {
    if (pathText == requestPath_ && requestIdentity_) {
        platform::deleteFileIfUnchanged(pathText, *requestIdentity_);
    } else {
        platform::deleteFile(pathText);
    }
}

}  // namespace kelmar::engine
