#include "platform/input_file.hpp"

#include <array>

#include <sys/stat.h>

#include <chrono>
#include <system_error>
#include <utility>

#include "platform/atomic_file_writer.hpp"
#include "platform/file_access.hpp"
#include "platform/native_path.hpp"

namespace kelmar::platform {

std::optional<InputFile> InputFile::open(std::string_view pathText, std::error_code& reason,
                                         LinkPolicy links) {
    reason.clear();
    if (isForbiddenFileName(fileNamePart(pathText))) {
        reason = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    const int fd = io::openForReading(
        toNativeText(pathText), links == LinkPolicy::Refuse ? io::Links::Refuse : io::Links::Follow,
        reason);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        reason = std::error_code(errno, std::generic_category());
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    if ((status.st_mode & S_IFMT) != S_IFREG) {
        reason = std::make_error_code((status.st_mode & S_IFMT) == S_IFDIR
                                          ? std::errc::is_a_directory
                                          : std::errc::invalid_argument);
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    if (io::isOpenForWritingElsewhere(fd)) {
        reason = std::make_error_code(std::errc::device_or_resource_busy);
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    const auto identity = io::identifyOpenFile(fd);
    if (!identity) {
        reason = std::make_error_code(std::errc::io_error);
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    io::clearNonBlocking(fd);
    return InputFile(fd, *identity);
}

InputFile::InputFile(InputFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), identity_(other.identity_) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            io::closeDescriptor(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
        identity_ = other.identity_;
    }
    return *this;
}

InputFile::~InputFile() {
    if (descriptor_ >= 0) {
        io::closeDescriptor(descriptor_);
    }
}

std::size_t InputFile::read(char* buffer, std::size_t size) {
    const auto n = io::readSome(descriptor_, buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::string InputFile::readRest() {
    std::string content;
    std::array<char, 16384> buffer;
    while (const auto n = read(buffer.data(), buffer.size())) {
        content.append(buffer.data(), n);
    }
    return content;
}

bool InputFile::seek(std::uint64_t offset) {
    return io::seekTo(descriptor_, offset);
}

std::optional<FileIdentity> identifyFile(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return std::nullopt;
    }
    return io::identifyPath(toNativeText(pathText));
}

std::optional<FileIdentity> identifyFileFollowingLinks(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return std::nullopt;
    }
    // A plain file, the usual case, is looked at once; only a link is followed.
    const auto native = toNativeText(pathText);
    if (auto plain = io::identifyPath(native)) {
        return plain;
    }
    return io::identifyPath(followLinks(native).native());
}

bool changedTooLately(const FileIdentity& identity) {
    // Two seconds cover the coarsest common step (FAT's) and the scheduler's clock tick.
    constexpr std::int64_t kSettledNs = 2'000'000'000;
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    return now - identity.modifiedNs < kSettledNs;
}

bool deleteFileIfUnchanged(std::string_view pathText, const FileIdentity& expected) {
    const auto current = identifyFile(pathText);
    if (!current || *current != expected) {
        return false;  // replaced or rewritten since it was read: the new one waits its turn
    }
    return io::removeName(toNativeText(pathText));
}

}  // namespace kelmar::platform
