#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_identity.hpp"

namespace kelmar::platform {

// Whether opening a path whose last component is a symbolic link reads the link's target.
enum class LinkPolicy {
    Refuse,  // requests: a link could lead out of the exchange folder
    Follow,  // the settings file, which the operator may keep elsewhere
};

// A file opened for reading. Opening refuses, where the system lets us tell, a file that
// another process holds open for writing, so a request still being written is left for
// a later tick instead of being answered half-read. Only regular files are ever opened:
// the type is checked on the open descriptor, and the open itself never waits (a FIFO
// swapped in under the name cannot block the caller).
class InputFile {
  public:
    // Nothing when the file is missing, is not a regular file, is a refused link, has a
    // name Windows refuses, or is being written by another process; the reason says which
    // (std::errc::device_or_resource_busy for a file being written).
    static std::optional<InputFile> open(std::string_view pathText, std::error_code& reason,
                                         LinkPolicy links = LinkPolicy::Refuse);
    static std::optional<InputFile> open(std::string_view pathText) {
        std::error_code ignored;
        return open(pathText, ignored);
    }

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Reads up to size bytes; 0 at the end of the file or on a read error.
    std::size_t read(char* buffer, std::size_t size);

    // Everything from the read position to the end of the file.
    std::string readRest();

    // Moves the read position; false when the system refuses.
    bool seek(std::uint64_t offset);

    std::uint64_t size() const { return identity_.size; }

    // Which file was opened, as it was at the moment of opening.
    const FileIdentity& identity() const { return identity_; }

  private:
    InputFile(int descriptor, FileIdentity identity)
        : descriptor_(descriptor), identity_(identity) {}

    int descriptor_ = -1;
    FileIdentity identity_;
};

}  // namespace kelmar::platform
