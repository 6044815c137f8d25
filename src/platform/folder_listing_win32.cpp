// Folder listings on Windows, through the system calls themselves.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/atomic_file_writer.hpp"
#include "platform/file_system.hpp"
#include "platform/folder_candidates.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"
#include "platform/win32_files.hpp"

namespace kelmar::platform {
namespace {

void removeStaleTemporariesOnWindows(const std::wstring& folder, int depth) {
    for (const auto& entry : win32::listFolder(folder)) {
        if (entry.isLink()) {
            continue;
        }
        const auto path = folder + L"\\" + entry.name;
        if (!entry.isDirectory()) {
            if (isStaleTemporary(win32::narrowPath(entry.name))) {
                win32::deleteFile(path);
            }
        } else if (depth > 0 && !entry.isHiddenOrSystem()) {
            removeStaleTemporariesOnWindows(path, depth - 1);
        }
    }
}

// The name's judgement as a request candidate, on its UTF-16 units first.
std::optional<ListedName> judgeWideName(std::wstring_view raw,
                                        std::span<const std::string_view> fragments) {
    if (!mayBeRequest(raw, fragments)) {
        return std::nullopt;
    }
    if (auto exact = win32::narrowName(raw)) {
        if (!isRequestCandidate(*exact, fragments)) {
            return std::nullopt;
        }
        return ListedName{std::move(*exact), true};
    }
    // Shown with a "?" for what Windows-1252 lacks.
    return ListedName{utf16ToCp1252(raw), false};
}

// The folder's changes through ReadDirectoryChangesW, read without waiting at each look.
// Windows itself records a change while the file operation is made, so a file made before
// the look is told about; a Wine prefix learns of changes from the host a moment later.
// For that the folder's last write time is kept too: when it moved (or moved so lately
// that a second change could share its time stamp) and no change at all was told, the
// folder is listed instead of trusting the names kept.
class DirectoryChanges final : public FolderChanges {
  public:
    static std::unique_ptr<DirectoryChanges> open(const std::wstring& folder);
    // Takes over both handles.
    DirectoryChanges(std::wstring folder, HANDLE directory, HANDLE event)
        : folder_(std::move(folder)), directory_(directory), event_(event) {}
    DirectoryChanges(const DirectoryChanges&) = delete;
    DirectoryChanges& operator=(const DirectoryChanges&) = delete;
    ~DirectoryChanges() override;

    bool collect(std::span<const std::string_view> fragments,
                 const std::function<void(ListedName, bool)>& change) override;

  private:
    bool arm();
    std::optional<std::uint64_t> stamp() const;
    std::wstring finalPath() const;

    std::wstring folder_;
    HANDLE directory_;
    HANDLE event_;
    OVERLAPPED overlapped_{};
    bool armed_ = false;
    std::uint64_t stamp_ = 0;
    std::wstring finalPath_;
    // DWORD-aligned, as the records must be; 64 KiB is the most a share accepts.
    std::vector<DWORD> buffer_ = std::vector<DWORD>(16 * 1024);
};

std::unique_ptr<DirectoryChanges> DirectoryChanges::open(const std::wstring& folder) {
    // Shared for deleting too, so the watch never keeps anyone from renaming the folder.
    const HANDLE directory = ::CreateFileW(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (directory == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        ::CloseHandle(directory);
        return nullptr;
    }
    auto changes = std::make_unique<DirectoryChanges>(folder, directory, event);
    const auto stamp = changes->stamp();
    if (!stamp || !changes->arm()) {
        return nullptr;  // a share or file system that tells no changes
    }
    changes->stamp_ = *stamp;
    changes->finalPath_ = changes->finalPath();
    return changes;
}

DirectoryChanges::~DirectoryChanges() {
    if (armed_ && ::CancelIoEx(directory_, &overlapped_)) {
        DWORD ignored = 0;
        ::GetOverlappedResult(directory_, &overlapped_, &ignored, TRUE);
    }
    ::CloseHandle(event_);
    ::CloseHandle(directory_);
}

bool DirectoryChanges::arm() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_;
    armed_ = ::ReadDirectoryChangesW(directory_, buffer_.data(),
                                     static_cast<DWORD>(buffer_.size() * sizeof(DWORD)), FALSE,
                                     FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES,
                                     nullptr, &overlapped_, nullptr) != 0;
    return armed_;
}

std::optional<std::uint64_t> DirectoryChanges::stamp() const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(folder_.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32U) |
           data.ftLastWriteTime.dwLowDateTime;
}

std::wstring DirectoryChanges::finalPath() const {
    std::wstring path(1024, L'\0');
    const DWORD length =
        ::GetFinalPathNameByHandleW(directory_, path.data(), static_cast<DWORD>(path.size()), 0);
    path.resize(length < path.size() ? length : 0);
    return path;
}

bool DirectoryChanges::collect(std::span<const std::string_view> fragments,
                               const std::function<void(ListedName, bool)>& change) {
    const auto now = stamp();
    if (!now) {
        return false;  // the folder went
    }
    // Two seconds cover the coarsest step a file system keeps times in.
    constexpr std::uint64_t kSettled = 2ULL * 10'000'000ULL;
    FILETIME clock{};
    ::GetSystemTimeAsFileTime(&clock);
    const auto wall =
        (static_cast<std::uint64_t>(clock.dwHighDateTime) << 32U) | clock.dwLowDateTime;
    const bool moved = *now != stamp_ || wall < *now + kSettled;
    // The path may now name another folder (this one, or one above it, renamed).
    if (*now != stamp_ && finalPath() != finalPath_) {
        return false;
    }
    stamp_ = *now;
    bool told = false;
    for (;;) {
        DWORD got = 0;
        if (!armed_ || !::GetOverlappedResult(directory_, &overlapped_, &got, FALSE)) {
            if (armed_ && ::GetLastError() == ERROR_IO_INCOMPLETE) {
                break;
            }
            armed_ = false;
            return false;
        }
        armed_ = false;
        if (got == 0) {
            return false;  // more changes than the buffer held: they were lost
        }
        told = true;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer_.data());
        for (DWORD at = 0;;) {
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + at);
            const std::wstring_view name(record->FileName, record->FileNameLength / sizeof(WCHAR));
            const bool removed = record->Action == FILE_ACTION_REMOVED ||
                                 record->Action == FILE_ACTION_RENAMED_OLD_NAME;
            // An attribute change (hidden no more) has the name judged again.
            if (auto judged = judgeWideName(name, fragments)) {
                change(std::move(*judged), !removed);
            }
            if (record->NextEntryOffset == 0) {
                break;
            }
            at += record->NextEntryOffset;
        }
        if (!arm()) {
            return false;
        }
    }
    return told || !moved;
}

}  // namespace

std::unique_ptr<FolderChanges> watchFolder(std::string_view folderText,
                                           const std::shared_ptr<ChangeNotifier>&) {
    return DirectoryChanges::open(toNativePath(folderText).native());
}

// The folder is listed by the system call itself, which takes extended-length paths and
// gives each entry's attributes with its name. Hidden and system entries are recognised
// by their attributes; links are passed over, since they could lead out of the folder.
bool listCandidates(std::string_view folderText, std::span<const std::string_view> fragments,
                    const std::function<void(ListedName)>& found) {
    const auto folder = toNativePath(folderText).native();
    if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    for (const auto& entry : win32::listFolder(folder)) {
        if (entry.isDirectory() || entry.isHiddenOrSystem() || entry.isLink()) {
            continue;
        }
        if (auto name = judgeWideName(entry.name, fragments)) {
            found(std::move(*name));
        }
    }
    return true;
}

EntryState lookAtEntry(std::string_view folderText, std::string_view name) {
    const auto path = toNativePath(folderText).native() + L"\\" + cp1252ToUtf16(name);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const auto error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? EntryState::Missing
                   : EntryState::NotARequestFile;
    }
    const win32::FolderEntry entry{std::wstring(), attributes};
    return entry.isDirectory() || entry.isHiddenOrSystem() || entry.isLink()
               ? EntryState::NotARequestFile
               : EntryState::RequestFile;
}

void removeStaleTemporaries(std::string_view folderText, int depth) {
    removeStaleTemporariesOnWindows(toNativePath(folderText.empty() ? "." : folderText).native(),
                                    depth);
}

}  // namespace kelmar::platform
