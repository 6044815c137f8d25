#include "settings/settings_location.hpp"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/text_encoding.hpp"

#ifdef _WIN32
#include <windows.h>

#include "platform/file_system.hpp"
#include "platform/native_path.hpp"
#include "platform/win32_files.hpp"
#else
#include <unistd.h>
#endif

namespace kelmar::settings {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "config.ini";
constexpr const char* kProgramFolder = "kelmar-sim";

#ifdef _WIN32
constexpr char kSeparator = '\\';

// The value of an environment variable, read in UTF-16; empty when unset.
std::wstring environment(const wchar_t* name) {
    const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
        return {};
    }
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(length < needed ? length : 0);
    return value;
}

std::wstring executableFolder() {
    std::wstring buffer(32768, L'\0');
    const auto n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    const auto cut = buffer.find_last_of(L"\\/");
    return cut == buffer.npos ? std::wstring(L".") : buffer.substr(0, cut);
}

// Decided by trying: Windows ignores the read-only attribute of folders, and what counts
// under Program Files is the folder's access list (and the virtualisation in front of it).
bool isWritableFolder(const std::wstring& folder) {
    const std::wstring probe =
        folder + L"\\.kelmar-probe-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(handle);
    return true;
}
#else
constexpr char kSeparator = '/';

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string{} : std::string(value);
}

fs::path executableFile() {
    std::error_code error;
    auto path = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path(error) / "kelmar-sim" : path;
}

bool isWritableFolder(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}
#endif

std::string joined(std::string folder, std::string_view name) {
    if (!folder.empty() && folder.back() != kSeparator) {
        folder += kSeparator;
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

#ifdef _WIN32
std::string locateSettingsFile(const std::optional<std::string>& overrideUtf8) {
    if (overrideUtf8) {
        return platform::utf8ToCp1252(*overrideUtf8);
    }
    const auto folder = executableFolder();
    SettingsLocationFacts facts;
    facts.executableFolder = platform::win32::narrowPath(folder);
    facts.executableFolderWritable = isWritableFolder(folder);
    facts.executableFolderHasConfig =
        platform::fileExists(joined(facts.executableFolder, kFileName));
    facts.userConfigHome = platform::win32::narrowPath(environment(L"APPDATA"));
    const auto chosen = chooseSettingsFile(facts);
    if (platform::folderPart(chosen) != facts.executableFolder) {
        platform::createDirectory(platform::folderPart(chosen));  // the first save needs it
    }
    return chosen;
}

std::string defaultExchangeFolder() {
    return "C:\\Quelmont\\nf_e";
}
#else
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
    facts.userConfigHome = environment("XDG_CONFIG_HOME");
    if (facts.userConfigHome.empty() && !environment("HOME").empty()) {
        facts.userConfigHome = environment("HOME") + "/.config";
    }
    const fs::path chosen(chooseSettingsFile(facts));
    if (chosen.parent_path() != folder) {
        fs::create_directories(chosen.parent_path(), error);  // the first save needs it
    }
    return platform::utf8ToCp1252(chosen.string());
}

std::string defaultExchangeFolder() {
    auto home = environment("HOME");
    if (home.empty()) {
        std::error_code error;
        home = fs::current_path(error).string();
    }
    return platform::utf8ToCp1252((fs::path(home) / "Quelmont" / "nf_e").string());
}
#endif

}  // namespace kelmar::settings
