#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kelmar::platform {

// A file opened for reading. Opening refuses, where the system lets us tell, a file that
// another process holds open for writing, so a request still being written is left for
// a later tick instead of being answered half-read.
class InputFile {
  public:
    // Nothing when the file is missing, is not a regular file, has a name Windows
    // refuses, or is being written by another process.
    static std::optional<InputFile> open(std::string_view pathText);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Reads up to size bytes; 0 at the end of the file or on a read error.
    std::size_t read(char* buffer, std::size_t size);

    // Moves the read position; false when the system refuses.
    bool seek(std::uint64_t offset);

    std::uint64_t size() const { return size_; }

  private:
    InputFile(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}

    int descriptor_ = -1;
    std::uint64_t size_ = 0;
};

}  // namespace kelmar::platform
