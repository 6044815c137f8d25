#include "support/temporary_folder.hpp"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/text_encoding.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelmar::testing {

namespace fs = std::filesystem;

namespace {

// Relative names in the tests are UTF-8. Built from char8_t, the path never reads them
// in the ANSI code page, as a path built from a plain string does on Windows.
fs::path fromUtf8(std::string_view relative) {
    return fs::path(std::u8string(relative.begin(), relative.end()));
}

std::string toUtf8(const fs::path& path) {
    const auto utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace

fs::path utf8Path(std::string_view relative) {
    return fromUtf8(relative);
}

#ifdef _WIN32
HeldFile::HeldFile(const fs::path& path)
    : handle_(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}

HeldFile::~HeldFile() {
    if (isHeld()) {
        ::CloseHandle(handle_);
    }
}

bool HeldFile::isHeld() const {
    return handle_ != INVALID_HANDLE_VALUE;
}
#endif

TemporaryFolder::TemporaryFolder() {
    std::random_device random;
    const auto base = fs::temp_directory_path();
    for (;;) {
        auto candidate = base / ("kelmar-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = std::move(candidate);
            break;
        }
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    // Restore write permission a test may have taken away, so everything can go.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::string TemporaryFolder::text() const {
    return platform::utf8ToCp1252(toUtf8(path_));
}

fs::path TemporaryFolder::write(std::string_view relative, std::string_view content) const {
    const auto target = path_ / fromUtf8(relative);
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return target;
}

fs::path TemporaryFolder::makeFolder(std::string_view relative) const {
    const auto target = path_ / fromUtf8(relative);
    fs::create_directories(target);
    return target;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> listFolder(const fs::path& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path, error)) {
        names.push_back(toUtf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kelmar::testing
