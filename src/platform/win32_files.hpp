#pragma once

// The Windows file calls the platform layer is built on. Every path reaching the system
// here is UTF-16, converted from the program's Windows-1252 path texts by widePath, so
// the ANSI code page of the machine never takes part.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_identity.hpp"

namespace kelmar::platform::win32 {

// The UTF-16 form of a Windows-1252 path text. A path too long for the classic limit is
// made absolute and given the extended-length prefix ("\\?\C:\..." or "\\?\UNC\..."),
// after the system has folded its doubled separators and "." and ".." steps away.
std::wstring widePath(std::string_view pathText);

// The Windows-1252 form of a UTF-16 name, or nothing when a character has none.
std::optional<std::string> narrowName(std::wstring_view name);

// The Windows-1252 form of a UTF-16 path, with "?" for characters it has none for.
std::string narrowPath(std::wstring_view path);

// Opens a regular file for reading as a C runtime descriptor, sharing it with readers
// only: a file another process still holds open for writing is refused (errno EBUSY),
// and no one can start writing it while it is read. -1 when it cannot be opened.
int openForReadingDenyingWriters(const std::wstring& path);

// The identity of the file open under a C runtime descriptor: the volume's serial number
// and the file's index on it (a file renamed over the name has another), its size and its
// last write time to the 100 ns. Nothing when the system cannot tell.
std::optional<FileIdentity> identifyOpenFile(int fd);

// Creates a new file for writing, hidden, as a C runtime descriptor; -1 (errno EEXIST
// when the name is taken) when it cannot be created.
int createHidden(const std::wstring& path);

// True when the file at the path could be replaced now: it is missing, or it can be
// opened for writing and deleting (not read-only, not held open by a process that
// refuses to share it). A sharing violation is retried for a short while first.
bool isReplaceable(const std::wstring& path);

// Makes a hidden temporary visible and moves it over the destination, flushing the
// rename to disk; retried for a short while when a reader still holds the destination.
bool replaceWith(const std::wstring& temporary, const std::wstring& destination);

// True when a process with this id is running.
bool isProcessRunning(long processId);

// One entry of a folder as the system lists it.
struct FolderEntry {
    std::wstring name;
    std::uint32_t attributes = 0;

    bool isDirectory() const;
    bool isHiddenOrSystem() const;
    bool isLink() const;  // a symbolic link or junction, which could lead anywhere
};

// The entries of a folder ("." and ".." left out); empty when it cannot be listed.
std::vector<FolderEntry> listFolder(const std::wstring& folder);

// Deletes a file; never a folder. False when it could not be deleted.
bool deleteFile(const std::wstring& path);

// True when the entry at the path exists and carries the hidden attribute.
bool isHidden(const std::wstring& path);

// True when the entry at the path exists and carries the read-only attribute.
bool isReadOnly(const std::wstring& path);

}  // namespace kelmar::platform::win32
