#pragma once

#include <optional>
#include <span>
#include <string>
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

// The first of the names offered in that order, or, when a name to resume after is given,
// the first that comes after it (the first of all when none does).
class FirstInOrder {
  public:
    explicit FirstInOrder(std::string_view after) : after_(after) {}

    // True when the name would change the result: worth checking the entry further.
    bool wouldTake(std::string_view name) const;
    void take(std::string name);
    std::optional<std::string> result() &&;

  private:
    std::string_view after_;
    std::optional<std::string> first_;
    std::optional<std::string> firstAfter_;
};

}  // namespace kelmar::platform
