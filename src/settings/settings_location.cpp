#include "settings/settings_location.hpp"

#include "platform/program_paths.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::settings {
namespace {

constexpr const char* kFileName = "config.ini";
constexpr const char* kProgramFolder = "kelmar-sim";

std::string joined(std::string folder, std::string_view name) {
    const char separator = platform::nativeSeparator();
    if (!folder.empty() && folder.back() != separator) {
        folder += separator;
    }
    folder += name;
    return folder;
}

}  // namespace

std::string chooseSettingsFile(const SettingsLocationFacts& facts) {
    if (facts.executableFolderWritable || facts.executableFolderHasConfig ||
        facts.userConfigHome.empty()) {
        return joined(facts.executableFolder, kFileName);
    }
    return joined(joined(facts.userConfigHome, kProgramFolder), kFileName);
}

std::string locateSettingsFile(const std::optional<std::string>& overrideUtf8) {
    if (overrideUtf8) {
        return platform::utf8ToCp1252(*overrideUtf8);
    }
    SettingsLocationFacts facts;
    facts.executableFolder = platform::executableFolder();
    facts.executableFolderWritable = platform::isWritableFolder(facts.executableFolder);
    const auto besideProgram = joined(facts.executableFolder, kFileName);
    facts.executableFolderHasConfig = platform::nativePathExists(besideProgram);
    facts.userConfigHome = platform::userConfigFolder();
    const auto chosen = chooseSettingsFile(facts);
    if (chosen != besideProgram) {
        // The first save needs the folder.
        platform::createNativeFolder(chosen.substr(0, chosen.rfind(platform::nativeSeparator())));
    }
    return platform::fromNativePathText(chosen);
}

std::string defaultExchangeFolder() {
    return platform::fromNativePathText(
        joined(joined(platform::defaultFolderRoot(), "Quelmont"), "nf_e"));
}

}  // namespace kelmar::settings
