#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace kelmar::xml::testing {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("kelmar-xml-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // The path text of a file in the folder (ASCII names, so valid as Windows-1252 text).
    std::string file(std::string_view name) const { return (path_ / name).string(); }

    std::string write(std::string_view name, std::string_view bytes) const {
        const std::string path = file(name);
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace kelmar::xml::testing
