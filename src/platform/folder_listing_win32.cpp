// Folder listings on Windows, through the system calls themselves.
#include <windows.h>

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

}  // namespace

// Wine delivers the folder's change notifications after the change, not with it, so a
// request dropped just before a tick could be missed by it: the folder is listed at every
// tick, as before, until notifications can be had that keep up with the folder.
std::unique_ptr<FolderChanges> watchFolder(std::string_view) {
    return nullptr;
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
