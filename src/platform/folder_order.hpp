#pragma once

#include <span>
#include <string_view>

// The rules both folder listings share (folder_listing_posix.cpp, folder_listing_win32.cpp).
namespace kelmar::platform {

// True when a Windows-1252 name can be a request: it ends in ".xml" in any case, holds one
// of the fragments (any name when none is given) and is a name Windows accepts.
bool isRequestCandidate(std::string_view name, std::span<const std::string_view> fragments);

// The same but for the last test: a name that ends in ".xml" and holds a fragment.
bool looksLikeRequest(std::string_view name, std::span<const std::string_view> fragments);

// Case-insensitive order, as NTFS keeps names; names equal but for case fall back to
// byte order so the result never depends on the directory's own order.
bool precedes(std::string_view a, std::string_view b);

}  // namespace kelmar::platform
