#include "platform/file_system.hpp"

#include <algorithm>
#include <array>
#include <system_error>

#include "platform/atomic_file_writer.hpp"
#include "platform/input_file.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32_files.hpp"
#endif

namespace kelmar::platform {
namespace {

namespace fs = std::filesystem;

bool endsWithXmlIgnoringCase(std::string_view name) {
    constexpr std::string_view kExtension = ".XML";
    if (name.size() < kExtension.size()) {
        return false;
    }
    const auto tail = name.substr(name.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
        return cp1252ToUpper(static_cast<unsigned char>(a)) == static_cast<unsigned char>(b);
    });
}

// Case-insensitive order, as NTFS keeps names; names equal but for case fall back to
// byte order so the result never depends on the directory's own order.
bool precedes(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return cp1252ToUpper(static_cast<unsigned char>(c)); };
    const auto n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ua = upper(a[i]);
        const auto ub = upper(b[i]);
        if (ua != ub) {
            return ua < ub;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

bool holdsAnyFragment(std::string_view name, std::span<const std::string_view> fragments) {
    if (fragments.empty()) {
        return true;
    }
    return std::any_of(fragments.begin(), fragments.end(),
                       [&](std::string_view fragment) { return name.find(fragment) != name.npos; });
}

#ifdef _WIN32
// The folder is listed by the system call itself, which takes extended-length paths and
// gives each entry's attributes with its name. Hidden and system entries are recognised
// by their attributes; links are passed over, since they could lead out of the folder.
std::optional<std::string> findFirstXmlOnWindows(std::string_view folderText,
                                                 std::span<const std::string_view> fragments) {
    std::optional<std::string> first;
    for (const auto& entry : win32::listFolder(toNativePath(folderText).native())) {
        if (entry.isDirectory() || entry.isHiddenOrSystem() || entry.isLink()) {
            continue;
        }
        auto name = win32::narrowName(entry.name);
        if (!name || isForbiddenFileName(*name) || !endsWithXmlIgnoringCase(*name) ||
            !holdsAnyFragment(*name, fragments)) {
            continue;
        }
        if (!first || precedes(*name, *first)) {
            first = std::move(name);
        }
    }
    return first;
}

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
#else
// The entry's name in Windows-1252, or nothing when it is hidden or cannot be held.
std::optional<std::string> visibleName(const fs::directory_entry& entry) {
    const auto utf8 = entry.path().filename().native();
    if (utf8.empty() || utf8.front() == '.') {
        return std::nullopt;
    }
    return utf8ToCp1252Exact(utf8);
}
#endif

}  // namespace

std::optional<std::string> findFirstXml(std::string_view folderText,
                                        std::span<const std::string_view> fragments) {
#ifdef _WIN32
    return findFirstXmlOnWindows(folderText, fragments);
#else
    std::error_code error;
    fs::directory_iterator entries(toNativePath(folderText), error);
    if (error) {
        return std::nullopt;
    }
    std::optional<std::string> first;
    for (auto it = fs::begin(entries); it != fs::end(entries); it.increment(error)) {
        if (error) {
            break;
        }
        // A name Windows refuses could not exist there; it is passed over here too.
        auto name = visibleName(*it);
        if (!name || isForbiddenFileName(*name) || !endsWithXmlIgnoringCase(*name) ||
            !holdsAnyFragment(*name, fragments)) {
            continue;
        }
        if (first && !precedes(*name, *first)) {
            continue;
        }
        std::error_code statusError;
        if (!it->is_regular_file(statusError)) {
            continue;
        }
        first = std::move(name);
    }
    return first;
#endif
}

bool fileExists(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return false;
    }
    std::error_code error;
    return fs::is_regular_file(toNativePath(pathText), error);
}

bool directoryExists(std::string_view pathText) {
    std::error_code error;
    return fs::is_directory(toNativePath(pathText), error);
}

void createDirectory(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return;
    }
    std::error_code ignored;
    fs::create_directory(toNativePath(pathText), ignored);
}

bool copyFile(std::string_view sourceText, std::string_view destinationText) {
    auto source = InputFile::open(sourceText);
    if (!source) {
        return false;
    }
    auto destination = AtomicFileWriter::create(destinationText);
    if (!destination) {
        return false;
    }
    std::array<char, 65536> buffer;
    for (;;) {
        const auto n = source->read(buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        if (destination->write(buffer.data(), n) != n) {
            return false;  // the temporary is discarded; the old destination stays
        }
    }
    return destination->commit();
}

void deleteFile(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return;
    }
    const auto native = toNativePath(pathText);
#ifdef _WIN32
    win32::deleteFile(native.native());  // DeleteFileW never removes a directory
#else
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(native, error))) {
        return;  // deleting a file never removes a directory
    }
    fs::remove(native, error);
#endif
}

void removeStaleTemporaries(std::string_view folderText, int depth) {
#ifdef _WIN32
    removeStaleTemporariesOnWindows(toNativePath(folderText.empty() ? "." : folderText).native(),
                                    depth);
#else
    std::error_code error;
    fs::directory_iterator entries(toNativePath(folderText.empty() ? "." : folderText), error);
    if (error) {
        return;
    }
    for (auto it = fs::begin(entries); it != fs::end(entries); it.increment(error)) {
        if (error) {
            break;
        }
        const auto name = it->path().filename().string();
        std::error_code ignored;
        if (isStaleTemporary(name)) {
            fs::remove(it->path(), ignored);
        } else if (depth > 0 && it->is_directory(ignored) && !it->is_symlink(ignored)) {
            const auto child = visibleName(*it);
            if (child) {
                removeStaleTemporaries(std::string(folderText) + "\\" + *child, depth - 1);
            }
        }
    }
#endif
}

}  // namespace kelmar::platform
