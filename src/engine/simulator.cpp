#include "engine/simulator.hpp"

#include "engine/exchange_handlers.hpp"
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
      tick_(context_, *handlers_) {}

void Simulator::loadSettings() {
    settingsFile_.load(state_);
}

void Simulator::removeLeftovers() const {
    platform::removeStaleTemporaries(std::string(platform::folderPart(settingsFile_.path())), 0);
    platform::removeStaleTemporaries(state_.exchangeFolder(), 3);
}

}  // namespace kelmar::engine
