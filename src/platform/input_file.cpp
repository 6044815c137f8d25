#include "platform/input_file.hpp"

#include <system_error>
#include <utility>

#include "platform/native_path.hpp"
#include "platform/posix_io.hpp"

namespace kelmar::platform {
namespace {

#if defined(__linux__)
// A read lease can only be taken while no one has the file open for writing; the lease is
// dropped again at once (holding it would make the kernel signal us when a writer comes).
// Where leases are not permitted (another owner without CAP_LEASE, some file systems),
// the check says nothing and the file is read.
bool isOpenForWritingElsewhere(int fd) {
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN || errno == EBUSY;
}
#else
bool isOpenForWritingElsewhere(int) {
    return false;
}
#endif

}  // namespace

std::optional<InputFile> InputFile::open(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return std::nullopt;
    }
    const auto native = toNativePath(pathText);
    std::error_code error;
    if (!std::filesystem::is_regular_file(native, error)) {
        return std::nullopt;
    }
    const int fd = io::openForReading(native);
    if (fd < 0) {
        return std::nullopt;
    }
    if (isOpenForWritingElsewhere(fd)) {
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        io::closeDescriptor(fd);
        return std::nullopt;
    }
    return InputFile(fd, static_cast<std::uint64_t>(status.st_size));
}

InputFile::InputFile(InputFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), size_(other.size_) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            io::closeDescriptor(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
        size_ = other.size_;
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

bool InputFile::seek(std::uint64_t offset) {
    return io::seekTo(descriptor_, offset);
}

}  // namespace kelmar::platform
