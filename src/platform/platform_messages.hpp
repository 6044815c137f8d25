#pragma once

// The operator's messages about files, shared by every layer that opens or creates one.
// Windows-1252; %s is the file's path text.
namespace kelmar::platform {

// "Não é possível abrir o arquivo %s"
inline constexpr const char* kCannotOpenFile = "N\xE3o \xE9 poss\xEDvel abrir o arquivo %s";

// "Não é possível criar o arquivo %s"
inline constexpr const char* kCannotCreateFile = "N\xE3o \xE9 poss\xEDvel criar o arquivo %s";

}  // namespace kelmar::platform
