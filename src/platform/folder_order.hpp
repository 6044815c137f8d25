#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

// The rules both folder listings share (folder_listing_posix.cpp, folder_listing_win32.cpp)
// and the order the request folders' candidates are kept in (folder_candidates.cpp).
namespace kelmar::platform {

// True when a Windows-1252 name can be a request: it ends in ".xml" in any case, holds one
// of the fragments (any name when none is given) and is a name Windows accepts.
bool isRequestCandidate(std::string_view name, std::span<const std::string_view> fragments);

// The same but for the last test: a name that ends in ".xml" and holds a fragment.
bool looksLikeRequest(std::string_view name, std::span<const std::string_view> fragments);

// A cheap first look at a name as the system gives it (bytes or UTF-16 units), before any
// conversion: it ends in ".xml" in any case and holds one of the fragments (any name when
// none is given). Every fragment and the extension are ASCII, so a name that fails here
// fails isRequestCandidate and looksLikeRequest too.
template <typename Char>
bool mayBeRequest(std::basic_string_view<Char> name, std::span<const std::string_view> fragments) {
    constexpr std::string_view kExtension = ".xml";
    if (name.size() < kExtension.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kExtension.size(); ++i) {
        auto c = name[name.size() - kExtension.size() + i];
        if (c >= Char('A') && c <= Char('Z')) {
            c = static_cast<Char>(c - Char('A') + Char('a'));
        }
        if (c != static_cast<Char>(kExtension[i])) {
            return false;
        }
    }
    if (fragments.empty()) {
        return true;
    }
    for (const auto fragment : fragments) {
        const auto equal = [](Char a, char b) { return a == static_cast<Char>(b); };
        if (std::search(name.begin(), name.end(), fragment.begin(), fragment.end(), equal) !=
            name.end()) {
            return true;
        }
    }
    return false;
}

// Case-insensitive order, as NTFS keeps names; names equal but for case fall back to
// byte order so the result never depends on the directory's own order.
bool precedes(std::string_view a, std::string_view b);

}  // namespace kelmar::platform
