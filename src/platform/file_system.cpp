#include "platform/file_system.hpp"

#include <array>
#include <filesystem>
#include <system_error>

#include "platform/atomic_file_writer.hpp"
#include "platform/file_access.hpp"
#include "platform/input_file.hpp"
#include "platform/native_path.hpp"

namespace kelmar::platform {

namespace fs = std::filesystem;

bool fileExists(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return false;
    }
    std::error_code error;
    return fs::is_regular_file(toNativePath(pathText), error);
}

bool directoryExists(std::string_view pathText) {
    return io::isFolder(toNativeText(pathText));
}

void createDirectory(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return;
    }
    std::error_code ignored;
    fs::create_directory(toNativePath(pathText), ignored);
}

bool copyFile(std::string_view sourceText, std::string_view destinationText) {
    auto source = InputFile::open(sourceText);
    if (!source) {
        return false;
    }
    auto destination = AtomicFileWriter::create(destinationText);
    if (!destination) {
        return false;
    }
    std::array<char, 65536> buffer;
    for (;;) {
        const auto n = source->read(buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        if (destination->write(buffer.data(), n) != n) {
            return false;  // the temporary is discarded; the old destination stays
        }
    }
    return destination->commit();
}

bool folderTakesFiles(std::string_view folderText) {
    return io::folderTakesFiles(toNativeText(folderText));
}

bool canRemoveFile(std::string_view pathText) {
    return io::canRemove(toNativeText(pathText));
}

void deleteFile(std::string_view pathText) {
    if (isForbiddenFileName(fileNamePart(pathText))) {
        return;
    }
    io::deleteRegularFile(toNativeText(pathText));
}

}  // namespace kelmar::platform
