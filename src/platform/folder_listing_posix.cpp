// Folder listings on POSIX, through the C++ library's directory iterator.
#include <filesystem>
#include <system_error>

#include "platform/atomic_file_writer.hpp"
#include "platform/file_system.hpp"
#include "platform/folder_order.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::platform {
namespace {

namespace fs = std::filesystem;

// The entry's name in Windows-1252, or nothing when it is hidden or cannot be held.
std::optional<std::string> visibleName(const fs::directory_entry& entry) {
    const auto utf8 = entry.path().filename().native();
    if (utf8.empty() || utf8.front() == '.') {
        return std::nullopt;
    }
    return utf8ToCp1252Exact(utf8);
}

// Walks native paths only: a directory's name is never turned back into a path text,
// where a backslash in it (a Linux folder named x\..\..\outside) would become a separator.
void removeStaleTemporariesIn(const fs::path& folder, int depth) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
        return;
    }
    for (auto it = fs::begin(entries); it != fs::end(entries); it.increment(error)) {
        if (error) {
            break;
        }
        const auto name = it->path().filename().string();
        std::error_code ignored;
        const auto status = it->symlink_status(ignored);
        if (status.type() == fs::file_type::regular && isStaleTemporary(name)) {
            fs::remove(it->path(), ignored);
        } else if (depth > 0 && status.type() == fs::file_type::directory && visibleName(*it) &&
                   !isForbiddenFileName(name)) {
            removeStaleTemporariesIn(it->path(), depth - 1);
        }
    }
}

}  // namespace

std::optional<std::string> findFirstXml(std::string_view folderText,
                                        std::span<const std::string_view> fragments,
                                        std::vector<std::string>* unshowable,
                                        std::string_view after) {
    std::error_code error;
    fs::directory_iterator entries(toNativePath(folderText), error);
    if (error) {
        return std::nullopt;
    }
    FirstInOrder first(after);
    for (auto it = fs::begin(entries); it != fs::end(entries); it.increment(error)) {
        if (error) {
            break;
        }
        auto name = visibleName(*it);
        if (!name) {
            const auto raw = it->path().filename().native();
            if (unshowable != nullptr && !raw.empty() && raw.front() != '.') {
                // Shown with a "?" for what Windows-1252 lacks; judged by that form.
                auto shown = utf8ToCp1252(raw);
                if (looksLikeRequest(shown, fragments)) {
                    unshowable->push_back(std::move(shown));
                }
            }
            continue;
        }
        if (!isRequestCandidate(*name, fragments)) {
            continue;
        }
        if (!first.wouldTake(*name)) {
            continue;
        }
        // A link is passed over like a directory: it could lead out of the folder.
        std::error_code statusError;
        const auto status = it->symlink_status(statusError);
        if (statusError || status.type() != fs::file_type::regular) {
            continue;
        }
        first.take(std::move(*name));
    }
    return std::move(first).result();
}

void removeStaleTemporaries(std::string_view folderText, int depth) {
    removeStaleTemporariesIn(toNativePath(folderText.empty() ? "." : folderText), depth);
}

}  // namespace kelmar::platform
