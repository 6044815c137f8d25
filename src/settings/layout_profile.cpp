#include "settings/layout_profile.hpp"

#include <string>

#include "platform/error.hpp"
#include "platform/text_helpers.hpp"

namespace kelmar::settings {

std::optional<LayoutProfile> parseLayoutProfile(std::string_view text) {
    const auto trimmed = platform::trimText(text);
    if (trimmed == "1.10") {
        return LayoutProfile::Layout110;
    }
    if (trimmed == "4.00") {
        return LayoutProfile::Layout400;
    }
    return std::nullopt;
}

std::string_view layoutProfileText(LayoutProfile profile) {
    return profile == LayoutProfile::Layout400 ? "4.00" : "1.10";
}

LayoutProfile readLayoutProfile(const IniFile& ini) {
    const auto value = ini.read("NFE", "LEIAUTE", "");
    if (platform::trimText(value).empty()) {
        return LayoutProfile::Layout110;
    }
    if (const auto profile = parseLayoutProfile(value)) {
        return *profile;
    }
    // "[NFE] LEIAUTE: '%s' não é um leiaute conhecido; use 1.10 ou 4.00"
    throw Error("[NFE] LEIAUTE: '" + value +
                "' n\xE3o \xE9 um leiaute conhecido; use 1.10 ou 4.00");
}

}  // namespace kelmar::settings
