#include "engine/simulator.hpp"

#include <set>

#include "engine/exchange_handlers.hpp"
#include "engine/exchange_names.hpp"
#include "engine/pending_request.hpp"
#include "platform/change_notifier.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "platform/native_path.hpp"

namespace kelmar::engine {

std::unique_ptr<RequestHandlers> makeRequestHandlers(EngineContext& context) {
    return std::make_unique<ExchangeHandlers>(context);
}

Simulator::Simulator(settings::SettingsFile settingsFile, const platform::Clock& clock,
                     std::string sampleFolder)
    : settingsFile_(std::move(settingsFile)),
      context_(state_, settingsFile_, clock, std::move(sampleFolder)),
      handlers_(makeRequestHandlers(context_)),
      tick_(context_, *handlers_) {
    // Until the settings are read, the state holds the defaults they would give.
    state_.setText(settings::StateField::Batch, settings::kDefaultBatch);
    state_.setText(settings::StateField::Receipt, settings::kDefaultReceipt);
    state_.setText(settings::StateField::Protocol, settings::kDefaultProtocol);
    state_.setText(settings::StateField::ExchangeFolder, settingsFile_.defaultExchangeFolder());
    tick_.setPreparation([this] { prepare(); });
    // The settings file and both request folders are watched through one channel.
    const auto notifier = platform::openChangeNotifier();
    settingsFile_.shareNotifications(notifier);
    tick_.shareNotifications(notifier);
}

settings::LayoutProfile Simulator::currentProfile() const {
    if (const auto& chosen = context_.profileOverride()) {
        return *chosen;
    }
    return settings::readLayoutProfile(*settingsFile_.read());
}

void Simulator::loadSettings() {
    settingsFile_.load(state_);
}

void Simulator::prepare() {
    // Settings another program held open when they were first loaded are read now; the
    // tick fails with their open error until they can be.
    if (!settingsFile_.loaded()) {
        settingsFile_.load(state_);
    }
    claim_.hold(settingsFile_.path(), state_.exchangeFolder());
}

void Simulator::removeLeftovers() {
    platform::removeStaleTemporaries(std::string(platform::folderPart(settingsFile_.path())), 0);
    // The archive's month folders grow without end, and a file is written into one only
    // while a request is answered: they are looked at only after a run that did not end
    // normally, and then only the months a request may have been cut short in, this one
    // and those of the requests still in progress.
    try {
        prepare();  // the folder is swept only once it is ours
    } catch (const Error&) {
        return;  // the first tick says why
    }
    platform::removeStaleTemporaries(state_.exchangeFolder(), 2);
    if (!claim_.folderMayHoldLeftovers()) {
        return;
    }
    const auto exchange = context_.layout();
    std::set<std::string> months = {monthText(context_.clock().now())};
    for (const auto folder : {RequestFolder::Envio, RequestFolder::EnvioLote}) {
        if (const auto pending = readPendingRequest(exchange.pendingRecord(folder))) {
            months.insert(pending->month);
        }
    }
    for (const auto& month : months) {
        for (const auto archive : {Archive::Authorised, Archive::Denied}) {
            platform::removeStaleTemporaries(exchange.archiveMonth(archive, month), 0);
        }
    }
}

}  // namespace kelmar::engine
