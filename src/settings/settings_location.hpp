#pragma once

#include <optional>
#include <string>

namespace kelmar::settings {

// What decides where config.ini lives, gathered from the system by locateSettingsFile.
struct SettingsLocationFacts {
    // Paths as native texts: UTF-8 with "/" on POSIX, Windows-1252 with "\" on Windows.
    std::string executableFolder;  // the program's folder
    bool executableFolderWritable = true;
    bool executableFolderHasConfig = false;
    std::string userConfigHome;  // $XDG_CONFIG_HOME or ~/.config; %APPDATA%; empty when unknown
};

// The settings file for the given facts: beside the executable, unless that folder is
// not writable and holds no config.ini (an installed program), in which case the
// user's configuration folder is used (kelmar-sim\config.ini under %APPDATA% on Windows).
// Native path text.
std::string chooseSettingsFile(const SettingsLocationFacts& facts);

// The settings file as a Windows-1252 path text: the override when given (a path typed
// on the command line, UTF-8), else chooseSettingsFile for this process.
std::string locateSettingsFile(const std::optional<std::string>& overrideUtf8);

// The exchange folder used when the settings name none. On Windows the sender's own
// default; elsewhere the same folder under the user's home, as an absolute path.
std::string defaultExchangeFolder();

}  // namespace kelmar::settings
