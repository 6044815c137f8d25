#include "platform/win32_files.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/text_encoding.hpp"

namespace kelmar::platform::win32 {
namespace {

// Paths at least this long go through the extended-length form; CreateDirectoryW keeps
// twelve characters of the classic 260 free for an 8.3 name.
constexpr std::size_t kClassicLimit = 248;

// A reader or an indexer holding the file for a moment gets this long to let go.
constexpr int kSharingRetries = 20;
constexpr auto kSharingPause = std::chrono::milliseconds(25);

bool isSharingConflict(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

// Wraps a handle into a C runtime descriptor; the descriptor owns it afterwards.
int toDescriptor(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        ::CloseHandle(handle);
    }
    return fd;
}

void setErrnoFrom(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            errno = EEXIST;
            break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            errno = EBUSY;
            break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            errno = ENOENT;
            break;
        default:
            errno = EACCES;
            break;
    }
}

}  // namespace

std::wstring widePath(std::string_view pathText) {
    std::wstring wide = cp1252ToUtf16(pathText);
    if (wide.size() < kClassicLimit || wide.starts_with(L"\\\\?\\")) {
        return wide;
    }
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return wide;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return wide;
    }
    full.resize(length);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

std::optional<std::string> narrowName(std::wstring_view name) {
    return utf16ToCp1252Exact(name);
}

std::string narrowPath(std::wstring_view path) {
    return utf16ToCp1252(path);
}

int openForReadingDenyingWriters(const std::wstring& path) {
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        setErrnoFrom(::GetLastError());
        return -1;
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        errno = EACCES;
        return -1;
    }
    return toDescriptor(handle, _O_RDONLY | _O_BINARY);
}

std::optional<FileIdentity> identifyOpenFile(int fd) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION information{};
    if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &information)) {
        return std::nullopt;
    }
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    // FILETIME counts 100 ns steps from 1601; from 1970 on, in nanoseconds, it fits.
    constexpr std::int64_t kStepsFrom1601To1970 = 116444736000000000;
    const auto steps = static_cast<std::int64_t>(join(information.ftLastWriteTime.dwHighDateTime,
                                                      information.ftLastWriteTime.dwLowDateTime));
    FileIdentity identity;
    identity.device = information.dwVolumeSerialNumber;
    identity.inode = join(information.nFileIndexHigh, information.nFileIndexLow);
    identity.size = join(information.nFileSizeHigh, information.nFileSizeLow);
    identity.modifiedNs = (steps - kStepsFrom1601To1970) * 100;
    return identity;
}

int createHidden(const std::wstring& path) {
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        setErrnoFrom(::GetLastError());
        return -1;
    }
    return toDescriptor(handle, _O_WRONLY | _O_BINARY);
}

bool isReplaceable(const std::wstring& path) {
    // Windows refuses to replace a read-only file; checked first, since an administrator's
    // (or Wine's root's) open for writing would get past it.
    const DWORD existing = ::GetFileAttributesW(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return false;
    }
    for (int attempt = 0;; ++attempt) {
        const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            const bool isFile = ::GetFileType(handle) == FILE_TYPE_DISK;
            ::CloseHandle(handle);
            return isFile;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return true;
        }
        // Only a file held by someone else is waited for.
        if (!isSharingConflict(error) || attempt == kSharingRetries) {
            return false;
        }
        std::this_thread::sleep_for(kSharingPause);
    }
}

bool replaceWith(const std::wstring& temporary, const std::wstring& destination) {
    const DWORD attributes = ::GetFileAttributesW(temporary.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN)) {
        ::SetFileAttributesW(temporary.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_HIDDEN});
    }
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(temporary.c_str(), destination.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        if (!isSharingConflict(::GetLastError()) || attempt == kSharingRetries) {
            return false;
        }
        std::this_thread::sleep_for(kSharingPause);
    }
}

bool isProcessRunning(long processId) {
    const HANDLE process =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (process == nullptr) {
        // No such process; a process we may not look at is running.
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD exitCode = 0;
    const bool running = ::GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

bool FolderEntry::isDirectory() const {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FolderEntry::isHiddenOrSystem() const {
    return (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

bool FolderEntry::isLink() const {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::vector<FolderEntry> listFolder(const std::wstring& folder) {
    std::vector<FolderEntry> entries;
    std::wstring pattern = folder;
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') {
        pattern += L'\\';
    }
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        const std::wstring_view name(found.cFileName);
        if (name != L"." && name != L"..") {
            entries.push_back({std::wstring(name), found.dwFileAttributes});
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return entries;
}

bool deleteFile(const std::wstring& path) {
    return ::DeleteFileW(path.c_str()) != 0;
}

bool isHidden(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool isReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace kelmar::platform::win32
