#include "engine/simulator.hpp"

#include "engine/exchange_handlers.hpp"
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

void Simulator::removeLeftovers() const {
    platform::removeStaleTemporaries(std::string(platform::folderPart(settingsFile_.path())), 0);
    platform::removeStaleTemporaries(state_.exchangeFolder(), 3);
}

}  // namespace kelmar::engine
