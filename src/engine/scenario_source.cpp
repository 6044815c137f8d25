#include "engine/scenario_source.hpp"

namespace kelmar::engine {

Scenarios readScenarios(const settings::IniFile& ini) {
    return parseScenarios(ini.entries(kScenarioSection));
}

Scenarios loadScenarios(const settings::SettingsFile& settingsFile) {
    return readScenarios(*settingsFile.read());
}

}  // namespace kelmar::engine
