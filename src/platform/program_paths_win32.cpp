#include <windows.h>

#include "platform/file_system.hpp"
#include "platform/program_paths.hpp"
#include "platform/win32_files.hpp"

namespace kelmar::platform {
namespace {

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

}  // namespace

char nativeSeparator() {
    return '\\';
}

std::string executableFolder() {
    std::wstring buffer(32768, L'\0');
    const auto n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    const auto cut = buffer.find_last_of(L"\\/");
    return win32::narrowPath(cut == buffer.npos ? std::wstring(L".") : buffer.substr(0, cut));
}

bool isWritableFolder(const std::string& nativeFolder) {
    const std::wstring probe = win32::widePath(nativeFolder) + L"\\.kelmar-probe-" +
                               std::to_wstring(::GetCurrentProcessId());
    const HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(handle);
    return true;
}

bool nativePathExists(const std::string& nativePath) {
    return fileExists(nativePath);
}

void createNativeFolder(const std::string& nativeFolder) {
    createDirectory(nativeFolder);
}

std::string userConfigFolder() {
    return win32::narrowPath(environment(L"APPDATA"));
}

std::string defaultFolderRoot() {
    return "C:";
}

std::string fromNativePathText(const std::string& nativePath) {
    return nativePath;
}

}  // namespace kelmar::platform
