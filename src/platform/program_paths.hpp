#pragma once

#include <string>
#include <string_view>

// Where this program and its user's folders are, as the system tells it. Paths here are
// native texts: UTF-8 with "/" on POSIX, Windows-1252 with "\" on Windows.
namespace kelmar::platform {

// The separator of native path texts.
char nativeSeparator();

// The folder the running program's executable is in.
std::string executableFolder();

// True when files can be created in the folder. On POSIX by its access bits; on Windows
// by trying, since Windows ignores the read-only attribute of folders and what counts
// under Program Files is the folder's access list.
bool isWritableFolder(const std::string& nativeFolder);

// True when something exists at the native path.
bool nativePathExists(const std::string& nativePath);

// Makes the folder (and on POSIX its missing parents); failures are ignored, the first
// save into it then says what went wrong.
void createNativeFolder(const std::string& nativeFolder);

// The user's folder for program settings: $XDG_CONFIG_HOME, else ~/.config; %APPDATA% on
// Windows. Empty when the system names none.
std::string userConfigFolder();

// Where the default exchange folder sits: the user's home (the working folder when
// there is none) on POSIX, "C:" on Windows, where the sender keeps it.
std::string defaultFolderRoot();

// A native path text as the program's Windows-1252 path text.
std::string fromNativePathText(const std::string& nativePath);

}  // namespace kelmar::platform
