#pragma once

#include <optional>
#include <string_view>

#include "settings/ini_file.hpp"

namespace kelmar::settings {

// Which layout the answers are written in: the 2009 sender's (1.10, the default) or the
// one applications send and expect today (4.00). Key LEIAUTE of section "NFE".
enum class LayoutProfile { Layout110, Layout400 };

// "1.10" or "4.00"; nothing for any other text.
std::optional<LayoutProfile> parseLayoutProfile(std::string_view text);
std::string_view layoutProfileText(LayoutProfile profile);

// The profile the file asks for: 1.10 without the key. Raises kelmar::Error naming the
// key and the value for any value but the two above: answering in a layout the operator
// did not ask for would pass unnoticed until an application refused it.
LayoutProfile readLayoutProfile(const IniFile& ini);

}  // namespace kelmar::settings
