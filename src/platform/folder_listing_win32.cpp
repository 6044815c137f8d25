// Folder listings on Windows, through the system calls themselves, and the folder's
// changes through ReadDirectoryChangesW.
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstring>

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

constexpr DWORD kWatched =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES;

// One overlapped read of the folder's changes kept outstanding; each look takes what it
// gathered, without waiting, and starts the next.
class DirectoryChanges final : public FolderChanges {
  public:
    DirectoryChanges(HANDLE folder, HANDLE event) : folder_(folder), event_(event) {
        overlapped_.hEvent = event_;
        pending_ = start();
    }
    DirectoryChanges(const DirectoryChanges&) = delete;
    DirectoryChanges& operator=(const DirectoryChanges&) = delete;
    ~DirectoryChanges() override {
        if (pending_) {
            ::CancelIoEx(folder_, &overlapped_);
            DWORD ignored = 0;
            ::GetOverlappedResult(folder_, &overlapped_, &ignored, TRUE);
        }
        ::CloseHandle(event_);
        ::CloseHandle(folder_);
    }

    bool started() const { return pending_; }

    bool collect(std::span<const std::string_view> fragments,
                 const std::function<void(ListedName, bool)>& change) override {
        if (!pending_) {
            return false;
        }
        DWORD got = 0;
        if (!::GetOverlappedResult(folder_, &overlapped_, &got, FALSE)) {
            if (::GetLastError() == ERROR_IO_INCOMPLETE) {
                return true;  // nothing changed since the last look
            }
            pending_ = false;
            return false;
        }
        pending_ = false;
        if (got == 0) {
            return false;  // more changes than the buffer held
        }
        tell(fragments, change);
        pending_ = start();
        return pending_;
    }

  private:
    bool start() {
        ::ResetEvent(event_);
        return ::ReadDirectoryChangesW(folder_, buffer_.data(), static_cast<DWORD>(buffer_.size()),
                                       FALSE, kWatched, nullptr, &overlapped_, nullptr) != 0;
    }

    void tell(std::span<const std::string_view> fragments,
              const std::function<void(ListedName, bool)>& change) const {
        std::size_t at = 0;
        for (;;) {
            FILE_NOTIFY_INFORMATION information{};
            std::memcpy(&information, buffer_.data() + at,
                        offsetof(FILE_NOTIFY_INFORMATION, FileName));
            const auto* units = reinterpret_cast<const wchar_t*>(
                buffer_.data() + at + offsetof(FILE_NOTIFY_INFORMATION, FileName));
            const std::wstring_view name(units, information.FileNameLength / sizeof(wchar_t));
            // A change of attributes counts as the name coming again: whether it is a
            // request file is looked at when it is handed out.
            const bool added = information.Action != FILE_ACTION_REMOVED &&
                               information.Action != FILE_ACTION_RENAMED_OLD_NAME;
            if (auto judged = judgeWideName(name, fragments)) {
                change(std::move(*judged), added);
            }
            if (information.NextEntryOffset == 0) {
                break;
            }
            at += information.NextEntryOffset;
        }
    }

    HANDLE folder_;
    HANDLE event_;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
    alignas(DWORD) std::array<char, 64 * 1024> buffer_{};
};

}  // namespace

std::unique_ptr<FolderChanges> watchFolder(std::string_view folderText) {
    const HANDLE folder =
        ::CreateFileW(toNativePath(folderText).c_str(), FILE_LIST_DIRECTORY,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        ::CloseHandle(folder);
        return nullptr;
    }
    auto changes = std::make_unique<DirectoryChanges>(folder, event);
    if (!changes->started()) {
        return nullptr;  // a share that gives no notifications: listed every time
    }
    return changes;
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
