#pragma once

#include <filesystem>
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

// The names of the entries of a folder, sorted; empty when it is missing.
std::vector<std::string> listFolder(const std::filesystem::path& path);

}  // namespace kelmar::testing
