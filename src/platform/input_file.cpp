#include "platform/input_file.hpp"

#include <algorithm>

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
    // Asked first: a folder or a device takes no lease and is then turned away by its type,
    // and the one look at the file's status comes after no writer was found.
    if (io::isOpenForWritingElsewhere(fd)) {
        reason = std::make_error_code(std::errc::device_or_resource_busy);
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    const auto identity = io::identifyOpenRegularFile(fd, reason);
    if (!identity) {
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
    // The size seen at opening, and one byte more, is asked for at once: a read that comes
    // back short with the file's size reached is its end, with no further call to confirm
    // it. A file read from later on, or grown since, is read on until a read brings nothing.
    constexpr std::uint64_t kLargestFirstRead = std::uint64_t{64} << 20;
    constexpr std::size_t kStep = std::size_t{64} << 10;
    std::string content;
    auto wanted = static_cast<std::size_t>(std::min(identity_.size + 1, kLargestFirstRead));
    for (;;) {
        const auto start = content.size();
        content.resize(start + wanted);
        const auto n = read(content.data() + start, wanted);
        content.resize(start + n);
        if (n == 0 || (n < wanted && content.size() >= identity_.size)) {
            return content;
        }
        wanted = kStep;
    }
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
