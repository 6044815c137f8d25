#include "engine/scenario_source.hpp"

namespace kelmar::engine {

Scenarios readScenarios(const settings::IniFile& ini) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (auto& key : ini.keys(kScenarioSection)) {
        auto value = ini.read(kScenarioSection, key, "");
        entries.emplace_back(std::move(key), std::move(value));
    }
    return parseScenarios(entries);
}

Scenarios loadScenarios(const settings::SettingsFile& settingsFile) {
    return readScenarios(settingsFile.read());
}

}  // namespace kelmar::engine
