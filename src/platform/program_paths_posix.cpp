#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/program_paths.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::platform {
namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string{} : std::string(value);
}

}  // namespace

char nativeSeparator() {
    return '/';
}

std::string executableFolder() {
    std::error_code error;
    auto path = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        path = fs::current_path(error) / "kelmar-sim";
    }
    return path.parent_path().string();
}

bool isWritableFolder(const std::string& nativeFolder) {
    return ::access(nativeFolder.c_str(), W_OK) == 0;
}

bool nativePathExists(const std::string& nativePath) {
    std::error_code error;
    return fs::exists(nativePath, error);
}

void createNativeFolder(const std::string& nativeFolder) {
    std::error_code error;
    fs::create_directories(nativeFolder, error);
}

std::string userConfigFolder() {
    auto folder = environment("XDG_CONFIG_HOME");
    if (folder.empty() && !environment("HOME").empty()) {
        folder = environment("HOME") + "/.config";
    }
    return folder;
}

std::string defaultFolderRoot() {
    auto home = environment("HOME");
    if (home.empty()) {
        std::error_code error;
        home = fs::current_path(error).string();
    }
    return home;
}

std::string fromNativePathText(const std::string& nativePath) {
    return utf8ToCp1252(nativePath);
}

}  // namespace kelmar::platform
