#include "settings/settings_location.hpp"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/text_encoding.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kelmar::settings {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "config.ini";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string{} : std::string(value);
}

fs::path executableFile() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const auto n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return fs::path(buffer);
#else
    std::error_code error;
    auto path = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path(error) / "kelmar-sim" : path;
#endif
}

std::string toPathText(const fs::path& path) {
#ifdef _WIN32
    std::string text;
    for (const wchar_t c : path.wstring()) {
        const auto byte = platform::codePointToCp1252(static_cast<char32_t>(c));
        text.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return text;
#else
    return platform::utf8ToCp1252(path.string());
#endif
}

bool isWritableFolder(const fs::path& folder) {
#ifdef _WIN32
    (void)folder;
    return true;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

}  // namespace

std::string chooseSettingsFile(const SettingsLocationFacts& facts) {
    if (facts.executableFolderWritable || facts.executableFolderHasConfig ||
        facts.userConfigHome.empty()) {
        return (fs::path(facts.executableFolder) / kFileName).string();
    }
    return (fs::path(facts.userConfigHome) / "kelmar-sim" / kFileName).string();
}

std::string locateSettingsFile(const std::optional<std::string>& overrideUtf8) {
    if (overrideUtf8) {
        return platform::utf8ToCp1252(*overrideUtf8);
    }
    const auto folder = executableFile().parent_path();
    SettingsLocationFacts facts;
    facts.executableFolder = folder.string();
    facts.executableFolderWritable = isWritableFolder(folder);
    std::error_code error;
    facts.executableFolderHasConfig = fs::exists(folder / kFileName, error);
#ifndef _WIN32
    facts.userConfigHome = environment("XDG_CONFIG_HOME");
    if (facts.userConfigHome.empty() && !environment("HOME").empty()) {
        facts.userConfigHome = environment("HOME") + "/.config";
    }
#endif
    const fs::path chosen(chooseSettingsFile(facts));
    if (chosen.parent_path() != folder) {
        fs::create_directories(chosen.parent_path(), error);  // the first save needs it
    }
    return toPathText(chosen);
}

std::string defaultExchangeFolder() {
#ifdef _WIN32
    return "C:\\Quelmont\\nf_e";
#else
    auto home = environment("HOME");
    if (home.empty()) {
        std::error_code error;
        home = fs::current_path(error).string();
    }
    return toPathText(fs::path(home) / "Quelmont" / "nf_e");
#endif
}

}  // namespace kelmar::settings
