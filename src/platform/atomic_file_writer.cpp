#include "platform/atomic_file_writer.hpp"

#include <charconv>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#include "platform/file_access.hpp"
#include "platform/native_path.hpp"

namespace kelmar::platform {
namespace {

// Temporaries are hidden (leading dot, and the hidden attribute on Windows), never end in ".xml"
// (so no request search picks them up) and carry the writer's process id, so a later start can tell
// a crashed writer's leftovers from a live writer's work.
constexpr std::string_view kTemporaryPrefix = ".kelmar-";
constexpr std::string_view kTemporarySuffix = ".part";

std::string temporaryName() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    // The process id does not change while the program runs: asked for once.
    thread_local const std::string ownPrefix =
        std::string(kTemporaryPrefix) + std::to_string(io::processId()) + '-';
    std::string name = ownPrefix;
    char digits[17];
    const auto end = std::to_chars(digits, digits + sizeof digits, generator(), 16).ptr;
    name.append(digits, end);
    name += kTemporarySuffix;
    return name;
}

// A name beside the destination, in its folder, made from the destination's own text.
NativeText besideDestination(const NativeText& destination, std::string_view name) {
    constexpr std::filesystem::path::value_type kSeparators[] = {
        std::filesystem::path::preferred_separator, '/', 0};
    const auto at = destination.find_last_of(kSeparators);
    auto text = destination.substr(0, at == destination.npos ? 0 : at + 1);
    text.append(name.begin(), name.end());
    return text;
}

}  // namespace

std::optional<AtomicFileWriter> AtomicFileWriter::create(std::string_view destinationText) {
    const auto fileName = fileNamePart(destinationText);
    if (fileName.empty() || isForbiddenFileName(fileName)) {
        return std::nullopt;
    }
    return createNative(toNativeText(destinationText));
}

std::optional<AtomicFileWriter> AtomicFileWriter::createAt(
    const std::filesystem::path& destination) {
    if (!destination.has_filename()) {
        return std::nullopt;
    }
    return createNative(destination.native());
}

// Works on the path's text throughout: this runs for every file written, and every path
// object made would split the whole path into its components again.
std::optional<AtomicFileWriter> AtomicFileWriter::createNative(NativeText destination) {
    if (io::isUnwritableDestination(destination)) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        auto temporary = besideDestination(destination, temporaryName());
        const int fd = io::createExclusive(temporary);
        if (fd >= 0) {
            return AtomicFileWriter(fd, std::move(temporary), std::move(destination));
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return std::nullopt;
}

AtomicFileWriter::AtomicFileWriter(int descriptor, NativeText temporary, NativeText destination)
    : descriptor_(descriptor),
      temporary_(std::move(temporary)),
      destination_(std::move(destination)) {}

AtomicFileWriter::AtomicFileWriter(AtomicFileWriter&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      temporary_(std::move(other.temporary_)),
      destination_(std::move(other.destination_)) {}

AtomicFileWriter& AtomicFileWriter::operator=(AtomicFileWriter&& other) noexcept {
    if (this != &other) {
        discard();
        descriptor_ = std::exchange(other.descriptor_, -1);
        temporary_ = std::move(other.temporary_);
        destination_ = std::move(other.destination_);
    }
    return *this;
}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

void AtomicFileWriter::discard() noexcept {
    if (descriptor_ >= 0) {
        io::closeDescriptor(descriptor_);
        descriptor_ = -1;
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
    }
}

std::size_t AtomicFileWriter::write(const char* data, std::size_t size) {
    std::size_t stored = 0;
    while (stored < size) {
        const auto n = io::writeSome(descriptor_, data + stored, size - stored);
        if (n <= 0) {
            break;
        }
        stored += static_cast<std::size_t>(n);
    }
    return stored;
}

bool AtomicFileWriter::commit() {
    if (descriptor_ < 0) {
        return false;
    }
    const bool closed = io::closeDescriptor(descriptor_) == 0;
    descriptor_ = -1;
    bool published = false;
    if (closed) {
        published = io::publish(temporary_, destination_);
    }
    if (!published) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        return false;
    }
    return true;
}

bool writeWholeFile(std::string_view destinationText, std::string_view content) {
    auto writer = AtomicFileWriter::create(destinationText);
    return writer && writer->write(content.data(), content.size()) == content.size() &&
           writer->commit();
}

bool replaceFileContent(const std::filesystem::path& destination, std::string_view content) {
    if (auto writer = AtomicFileWriter::createAt(destination)) {
        return writer->write(content.data(), content.size()) == content.size() && writer->commit();
    }
    std::error_code error;
    const auto status = std::filesystem::symlink_status(destination, error);
    if (error || status.type() != std::filesystem::file_type::regular ||
        io::hasNoWriteBit(status)) {
        return false;
    }
    // Written over the old content and only then cut to the new length, so a crash never
    // leaves the file shorter than it was (an empty config.ini would lose the counters).
    const int fd = io::openForOverwriting(destination);
    if (fd < 0) {
        return false;
    }
    std::size_t stored = 0;
    while (stored < content.size()) {
        const auto n = io::writeSome(fd, content.data() + stored, content.size() - stored);
        if (n <= 0) {
            break;
        }
        stored += static_cast<std::size_t>(n);
    }
    const bool cut = stored == content.size() && io::truncateTo(fd, content.size());
    return io::closeDescriptor(fd) == 0 && cut;
}

std::filesystem::path followLinks(const std::filesystem::path& path) {
    auto current = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error))) {
            break;
        }
        const auto target = std::filesystem::read_symlink(current, error);
        if (error) {
            break;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current;
}

bool isTemporaryName(std::string_view fileName) {
    return fileName.starts_with(kTemporaryPrefix) && fileName.ends_with(kTemporarySuffix);
}

bool isStaleTemporary(std::string_view fileName) {
    if (!isTemporaryName(fileName)) {
        return false;
    }
    const auto digits = fileName.substr(kTemporaryPrefix.size());
    long owner = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), owner);
    if (error != std::errc{} || end == digits.data() || *end != '-') {
        return true;
    }
    if (owner == io::processId()) {
        return false;
    }
    return io::hasEnded(owner);
}

}  // namespace kelmar::platform
