#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "settings/layout_profile.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::ui {

// How the headless runner reports: human lines, or one JSON object per line.
enum class EventFormat { Text, Json };

// What the program was asked to do on its command line.
struct CommandLine {
    bool headless = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> configFile;  // as typed (UTF-8)
    settings::ReturnKind outcome = settings::ReturnKind::Authorised;
    std::optional<long long> ticks;  // run exactly this many ticks, then exit
    bool drain = false;              // run ticks until no request is left, then exit
    long long intervalMs = 1000;     // pause between ticks when running on
    EventFormat events = EventFormat::Text;
    // The layout to answer in, standing for the settings file's LEIAUTE for this run.
    std::optional<settings::LayoutProfile> layout;
};

// The parsed command line, or the reason it is bad usage.
using ParsedCommandLine = std::variant<CommandLine, std::string>;

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments);

// An outcome given by index ("0" to "5") or by name ("autorizado", "rejeitado", ...).
std::optional<settings::ReturnKind> parseOutcome(std::string_view text);

std::string usageText();

}  // namespace kelmar::ui
