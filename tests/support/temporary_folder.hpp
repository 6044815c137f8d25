#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar::testing {

// A fresh folder under the system's temporary directory, removed with everything in it
// when the object goes.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The folder as a Windows-1252 path text, the form the engine works with.
    std::string text() const;

    // Writes a file (creating its folders), path relative to this folder, "/"-separated.
    std::filesystem::path write(std::string_view relative, std::string_view content) const;

    // Creates a folder (and its parents) below this one.
    std::filesystem::path makeFolder(std::string_view relative) const;

  private:
    std::filesystem::path path_;
};

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// A relative path given in UTF-8 ("/"-separated), read as UTF-8 on every system.
std::filesystem::path utf8Path(std::string_view relative);

#ifdef _WIN32
// Holds a file open for reading and writing, sharing it with no one, as an application
// that keeps its file open would; released when the object goes.
class HeldFile {
  public:
    explicit HeldFile(const std::filesystem::path& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool isHeld() const;

  private:
    void* handle_;
};

inline std::unique_ptr<HeldFile> holdWithoutSharing(const std::filesystem::path& path) {
    return std::make_unique<HeldFile>(path);
}
#endif

// The names of the entries of a folder in UTF-8, sorted; empty when it is missing.
std::vector<std::string> listFolder(const std::filesystem::path& path);

}  // namespace kelmar::testing
