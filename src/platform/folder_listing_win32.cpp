// Folder listings on Windows, through the system call itself.
#include <windows.h>

#include "platform/atomic_file_writer.hpp"
#include "platform/file_system.hpp"
#include "platform/folder_order.hpp"
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

}  // namespace

// The folder is listed by the system call itself, which takes extended-length paths and
// gives each entry's attributes with its name. Hidden and system entries are recognised
// by their attributes; links are passed over, since they could lead out of the folder.
std::optional<std::string> findFirstXml(std::string_view folderText,
                                        std::span<const std::string_view> fragments,
                                        std::vector<std::string>* unshowable,
                                        std::string_view after) {
    FirstInOrder first(after);
    for (const auto& entry : win32::listFolder(toNativePath(folderText).native())) {
        if (entry.isDirectory() || entry.isHiddenOrSystem() || entry.isLink()) {
            continue;
        }
        auto name = win32::narrowName(entry.name);
        if (!name) {
            // Shown with a "?" for what Windows-1252 lacks; judged by that form.
            auto shown = utf16ToCp1252(entry.name);
            if (unshowable != nullptr && looksLikeRequest(shown, fragments)) {
                unshowable->push_back(std::move(shown));
            }
            continue;
        }
        if (!isRequestCandidate(*name, fragments)) {
            continue;
        }
        first.take(std::move(*name));
    }
    return std::move(first).result();
}

void removeStaleTemporaries(std::string_view folderText, int depth) {
    removeStaleTemporariesOnWindows(toNativePath(folderText.empty() ? "." : folderText).native(),
                                    depth);
}

}  // namespace kelmar::platform
