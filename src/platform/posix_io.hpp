#pragma once

// Thin portability layer over the C runtime's descriptor calls, which both POSIX and
// Windows provide under slightly different names.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include "platform/win32_files.hpp"
#define KELMAR_O_BINARY _O_BINARY
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define KELMAR_O_BINARY 0
#endif

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace kelmar::platform::io {

inline int openForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return win32::openForReadingDenyingWriters(path.native());
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

inline int createExclusive(const std::filesystem::path& path) {
#ifdef _WIN32
    return win32::createHidden(path.native());
#else
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
}

inline long long readSome(int fd, char* buffer, std::size_t size) {
#ifdef _WIN32
    return ::_read(fd, buffer, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
#else
    for (;;) {
        const auto n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
#endif
}

inline long long writeSome(int fd, const char* data, std::size_t size) {
#ifdef _WIN32
    return ::_write(fd, data, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
#else
    for (;;) {
        const auto n = ::write(fd, data, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
#endif
}

inline bool seekTo(int fd, std::uint64_t offset) {
#ifdef _WIN32
    return ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) >= 0;
#else
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
#endif
}

inline int closeDescriptor(int fd) {
#ifdef _WIN32
    return ::_close(fd);
#else
    return ::close(fd);
#endif
}

inline long processId() {
#ifdef _WIN32
    return static_cast<long>(::_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

}  // namespace kelmar::platform::io
