#pragma once

#include "engine/scenario_rules.hpp"
#include "settings/ini_file.hpp"
#include "settings/settings_file.hpp"

namespace kelmar::engine {

// The [CENARIOS] section of a settings file as it is now. No section, or no file, is no
// scenario at all. Raises kelmar::Error naming the key that cannot be read.
Scenarios readScenarios(const settings::IniFile& ini);
Scenarios loadScenarios(const settings::SettingsFile& settingsFile);

}  // namespace kelmar::engine
