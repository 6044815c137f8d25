#include "platform/folder_order.hpp"

#include <algorithm>

#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::platform {
namespace {

bool endsWithXmlIgnoringCase(std::string_view name) {
    constexpr std::string_view kExtension = ".XML";
    if (name.size() < kExtension.size()) {
        return false;
    }
    const auto tail = name.substr(name.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
        return cp1252ToUpper(static_cast<unsigned char>(a)) == static_cast<unsigned char>(b);
    });
}

bool holdsAnyFragment(std::string_view name, std::span<const std::string_view> fragments) {
    if (fragments.empty()) {
        return true;
    }
    return std::any_of(fragments.begin(), fragments.end(),
                       [&](std::string_view fragment) { return name.find(fragment) != name.npos; });
}

}  // namespace

bool precedes(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return cp1252ToUpper(static_cast<unsigned char>(c)); };
    const auto n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ua = upper(a[i]);
        const auto ub = upper(b[i]);
        if (ua != ub) {
            return ua < ub;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

bool isRequestCandidate(std::string_view name, std::span<const std::string_view> fragments) {
    // A name Windows refuses could not exist there; it is passed over everywhere.
    return !isForbiddenFileName(name) && looksLikeRequest(name, fragments);
}

bool looksLikeRequest(std::string_view name, std::span<const std::string_view> fragments) {
    return endsWithXmlIgnoringCase(name) && holdsAnyFragment(name, fragments);
}

}  // namespace kelmar::platform
