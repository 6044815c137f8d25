#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The file operations the engine uses. Every path is a Windows-1252 path text (see
// native_path.hpp). Copy, delete and directory creation report nothing: the engine
// ignores their failures by design.
namespace kelmar::platform {

// The first "*.xml" file of a folder whose name holds one of the fragments (any name
// when no fragment is given), in case-insensitive name order. Directories, hidden
// entries, names that Windows-1252 cannot hold and names that Windows refuses are
// passed over. Nothing when the folder is missing or holds no such file. When asked,
// the candidates passed over because Windows-1252 cannot hold their names are listed in
// `unshowable`, shown as well as they can be (a "?" for each character it lacks). Given a
// name to resume after, the first such file after it in that order (the first of all
// when none comes after it).
std::optional<std::string> findFirstXml(std::string_view folderText,
                                        std::span<const std::string_view> fragments = {},
                                        std::vector<std::string>* unshowable = nullptr,
                                        std::string_view after = {});

// True when a regular file exists at the path.
bool fileExists(std::string_view pathText);

// True when a directory exists at the path.
bool directoryExists(std::string_view pathText);

// Creates one directory level; failures (missing parent, existing entry) are ignored.
void createDirectory(std::string_view pathText);

// Copies a file, replacing the destination. The destination appears whole or not at
// all. Failures raise nothing; the result says whether the copy was made.
bool copyFile(std::string_view sourceText, std::string_view destinationText);

// True when the folder exists and takes new files (see io::folderTakesFiles).
bool folderTakesFiles(std::string_view folderText);

// True when the file could be deleted now.
bool canRemoveFile(std::string_view pathText);

// Deletes a file; failures are ignored.
void deleteFile(std::string_view pathText);

// Removes temporary files left by a writer that died before publishing, in a folder and
// in its subfolders down to the given depth.
void removeStaleTemporaries(std::string_view folderText, int depth);

}  // namespace kelmar::platform
