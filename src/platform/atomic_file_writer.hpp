#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/native_path.hpp"

namespace kelmar::platform {

// Writes a file so that readers see the old file, no file, or the whole new file, never
// a part: the bytes go to a hidden temporary beside the destination, which is renamed
// over the destination by commit(). An uncommitted temporary is removed on destruction.
class AtomicFileWriter {
  public:
    // Opens the temporary. Nothing when the destination cannot be created: missing or
    // read-only folder, a read-only or non-regular destination, a forbidden name.
    static std::optional<AtomicFileWriter> create(std::string_view destinationText);
    // The same for a native destination path, whatever its name.
    static std::optional<AtomicFileWriter> createAt(const std::filesystem::path& destination);

    AtomicFileWriter(AtomicFileWriter&& other) noexcept;
    AtomicFileWriter& operator=(AtomicFileWriter&& other) noexcept;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    // Stores the bytes; returns how many were stored (fewer on a full disk).
    std::size_t write(const char* data, std::size_t size);

    // Closes the temporary and publishes it under the destination name.
    bool commit();

  private:
    AtomicFileWriter(int descriptor, NativeText temporary, NativeText destination);
    static std::optional<AtomicFileWriter> createNative(NativeText destination);
    void discard() noexcept;

    int descriptor_ = -1;
    NativeText temporary_;
    NativeText destination_;
};

// Writes the whole content through an AtomicFileWriter; false when any step fails (the
// old file, if any, then stays as it was).
bool writeWholeFile(std::string_view destinationText, std::string_view content);

// Writes the whole content to a file that may not be replaceable: through the
// temporary-file route when the folder allows it, else in place into an existing,
// writable file: written over its old content, then cut to length, so it is never
// shorter than before while the write is under way (a crash can still leave the new
// start over the old tail, so this is only done when there is no other way).
// False when neither works.
bool replaceFileContent(const std::filesystem::path& destination, std::string_view content);

// The file a path finally names: symbolic links are followed (relative ones from their
// own folder) until a non-link or a missing entry is reached.
std::filesystem::path followLinks(const std::filesystem::path& path);

// True for the names AtomicFileWriter gives its temporaries.
bool isTemporaryName(std::string_view fileName);

// True when the temporary's writer is no longer running (or the name carries no owner).
bool isStaleTemporary(std::string_view fileName);

}  // namespace kelmar::platform
