#include "form/form_model.hpp"

#include <algorithm>
#include <cstdio>

#include "engine/engine_messages.hpp"
#include "engine/exchange_layout.hpp"
#include "engine/instance_claim.hpp"
#include "engine/request_error.hpp"
#include "engine/scenario_source.hpp"
#include "form/dispatch_description.hpp"
#include "form/form_texts.hpp"
#include "form/scenario_summary.hpp"
#include "platform/error.hpp"
#include "platform/input_file.hpp"
#include "platform/native_path.hpp"
#include "platform/platform_messages.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::ui {
namespace {

using settings::StateField;

std::string timeOfDay(const platform::LocalDateTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour % 100, time.minute % 100,
                  time.second % 100);
    return text;
}

}  // namespace

std::string LastRequest::text() const {
    std::string line = time + "  " + kind + "  " + name;
    if (!outcome.empty()) {
        line += "  " + outcome;
    }
    if (!numbers.empty()) {
        line += "  " + numbers;
    }
    return line;
}

std::string LastRequest::textFitting(const std::function<bool(std::string_view)>& fits) const {
    auto line = text();
    if (fits(line)) {
        return line;
    }
    // Keep fewer and fewer characters of the name, half from each end, around an
    // ellipsis; with none left the ellipsis alone stands for the name.
    for (auto keep = name.size(); keep-- > 0;) {
        const auto head = (keep + 1) / 2;
        const auto tail = keep / 2;
        auto shortened = *this;
        shortened.name = name.substr(0, head) + "\x85" + name.substr(name.size() - tail);
        line = shortened.text();
        if (fits(line) || keep == 0) {
            return line;
        }
    }
    return line;
}

std::string folderWarning(const std::string& exchangeFolder) {
    const auto check = engine::ExchangeLayout(exchangeFolder).check();
    if (check.folderMissing) {
        return std::string(engine::messages::kFolderMissing);
    }
    if (check.missingSubfolders.empty()) {
        return {};
    }
    return "Faltam: " + engine::messages::missingSubfolderList(check);
}

FormModel::FormModel(settings::SimulatorState& state, const settings::SettingsFile& settingsFile,
                     engine::PollingTick& tick, MessagePresenter& presenter,
                     const platform::Clock& clock)
    : state_(state),
      settingsFile_(settingsFile),
      tick_(tick),
      presenter_(presenter),
      clock_(clock) {
    // Every change of a field, by the engine or by a load, shows at once.
    state_.setListener([this](StateField field) {
        if (observer_ != nullptr) {
            observer_->fieldChanged(field, state_.text(field));
        }
    });
}

FormModel::~FormModel() {
    state_.setListener({});
}

void FormModel::formCreate() {
    try {
        settingsFile_.load(state_);
    } catch (const std::exception&) {
        // Held open by another program: the fields keep what the engine has, and every
        // tick reads the file again or shows why it cannot.
    }
    if (observer_ != nullptr) {
        for (int i = 0; i < settings::kStateFieldCount; ++i) {
            const auto field = static_cast<StateField>(i);
            observer_->fieldChanged(field, state_.text(field));
        }
    }
    checkExchangeFolder();
    checkScenarios();
}

const std::string& FormModel::fieldText(StateField field) const {
    return state_.text(field);
}

void FormModel::editField(StateField field, std::string text) {
    state_.setText(field, std::move(text));
}

void FormModel::save() {
    try {
        settingsFile_.save(state_);
    } catch (const std::exception& error) {
        report(error);
    }
}

void FormModel::timerTick() {
    if (ticking_ || showingMessage_) {
        return;
    }
    ticking_ = true;
    try {
        tick_.run(this);
        servedElsewhere_.clear();
        if (problemIsFailure_) {
            auto status = status_;
            status.problem.clear();
            problemIsFailure_ = false;
            setStatus(std::move(status));
        }
    } catch (const engine::ServeRefusedError& error) {
        if (servedElsewhere_ != error.what()) {
            servedElsewhere_ = error.what();
            failed({}, error.what(), error);
        }
    } catch (const engine::RequestError& error) {
        failed(error.request(), engine::withRequestName(error), error);
    } catch (const std::exception& error) {
        failed({}, error.what(), error);
    }
    checkExchangeFolder();
    checkScenarios();
    ticking_ = false;
}

void FormModel::failed(std::string request, std::string_view problem, const std::exception& error) {
    // While it fails, the status line names the request and says it is tried again;
    // the history keeps both, and the box the error's own text.
    auto status = status_;
    status.problem =
        platform::displayMessage(withClosingFullStop(problem)) + " " + std::string(kTriedAgain);
    problemIsFailure_ = true;
    setStatus(std::move(status));
    HistoryEntry entry;
    entry.time = timeOfDay(clock_.now());
    entry.request = std::move(request);
    entry.error = platform::displayMessage(error.what());
    addToHistory(std::move(entry));
    report(error);
}

void FormModel::requestHandled(const engine::DispatchRecord& record) {
    auto status = status_;
    status.lastRequest = LastRequest{
        timeOfDay(clock_.now()),
        std::string(engine::kindLabel(record.kind)),
        record.name,
        describeOutcomeCounts(record),
        describeHandOuts(record.handOuts),
        describeHandledRequest(record),
    };
    status.problem.clear();
    problemIsFailure_ = false;
    for (const auto& warning : record.warnings) {
        status.problem += status.problem.empty() ? "" : " ";
        status.problem += std::string(engine::folderName(record.folder)) + "/" + record.name +
                          ": " + platform::displayMessage(warning);
    }
    setStatus(std::move(status));

    HistoryEntry entry;
    entry.time = timeOfDay(clock_.now());
    entry.request = std::string(engine::folderName(record.folder)) + "/" + record.name;
    entry.kind = engine::kindLabel(record.kind);
    entry.outcome = describeOutcomes(record);
    entry.numbers = describeHandOuts(record.handOuts);
    entry.written = record.filesWritten;
    // The answer is the first file written into retorno.
    const auto answers =
        engine::ExchangeLayout(state_.exchangeFolder()).subfolder(engine::Subfolder::Retorno) +
        "\\";
    for (const auto& path : record.filesWritten) {
        if (path.starts_with(answers)) {
            entry.answerFile = path;
            break;
        }
    }
    addToHistory(std::move(entry));
}

void FormModel::fileNotHandled(std::string_view message) {
    HistoryEntry entry;
    entry.time = timeOfDay(clock_.now());
    entry.error = platform::displayMessage(message);
    addToHistory(std::move(entry));
}

void FormModel::addToHistory(HistoryEntry entry) {
    history_.add(std::move(entry));
    if (observer_ != nullptr) {
        observer_->historyChanged(history_);
    }
}

bool FormModel::openAnswer(std::size_t entry) {
    if (entry >= history_.size() || history_.entries()[entry].answerFile.empty()) {
        return false;
    }
    return openFile(history_.entries()[entry].answerFile);
}

bool FormModel::openExchangeFolder() {
    return openFile(state_.exchangeFolder());
}

bool FormModel::openFile(const std::string& pathText) {
    if (opener_ != nullptr && opener_->open(pathText)) {
        return true;
    }
    auto status = status_;
    status.problem = formatMessage(kNoOpener, platform::displayPath(pathText));
    problemIsFailure_ = false;
    setStatus(std::move(status));
    return false;
}

std::string FormModel::documentText(const std::string& pathText) {
    auto file = platform::InputFile::open(pathText);
    if (!file) {
        return withClosingFullStop(
            formatMessage(platform::kCannotOpenFile, platform::displayPath(pathText)));
    }
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(file->size(), kViewLimit)),
                      '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const auto n = file->read(bytes.data() + filled, bytes.size() - filled);
        if (n == 0) {
            break;
        }
        filled += n;
    }
    bytes.resize(filled);
    // Answers are UTF-8; the sample error files may be in the window's own code page.
    if (platform::utf8ToCp1252Exact(bytes) || bytes.find("encoding=\"UTF-8\"") != bytes.npos) {
        return platform::utf8ToCp1252(bytes);
    }
    return bytes;
}

void FormModel::checkScenarios() {
    auto status = status_;
    try {
        status.scenarios = scenarioSummary(engine::loadScenarios(settingsFile_));
    } catch (const std::exception&) {
        status.scenarios = kScenarioProblem;  // the tick's message says what is wrong
    }
    try {
        const auto profile = profileOverride_ ? *profileOverride_
                                              : settings::readLayoutProfile(*settingsFile_.read());
        status.layout = profile == settings::LayoutProfile::Layout400 ? "Leiaute 4.00" : "";
    } catch (const std::exception&) {
        status.layout = "Leiaute com erro";  // the tick's message says what is wrong
    }
    setStatus(std::move(status));
}

void FormModel::setProfileOverride(std::optional<settings::LayoutProfile> profile) {
    profileOverride_ = profile;
    checkScenarios();
}

void FormModel::checkExchangeFolder() {
    auto status = status_;
    status.folderWarning =
        servedElsewhere_.empty() ? folderWarning(state_.exchangeFolder()) : servedElsewhere_;
    setStatus(std::move(status));
}

void FormModel::setStatus(FormStatus status) {
    if (status == status_) {
        return;
    }
    status_ = std::move(status);
    if (observer_ != nullptr) {
        observer_->statusChanged(status_);
    }
}

void FormModel::report(const std::exception& error) {
    const bool wasShowing = showingMessage_;
    showingMessage_ = true;
    presenter_.showError(error.what());
    showingMessage_ = wasShowing;
}

}  // namespace kelmar::ui
