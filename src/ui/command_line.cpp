#include "ui/command_line.hpp"

#include <charconv>

#include "settings/outcome_names.hpp"

namespace kelmar::ui {
namespace {

std::optional<long long> parseWholeNumber(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<settings::ReturnKind> parseOutcome(std::string_view text) {
    if (const auto named = settings::outcomeFromName(text)) {
        return named;
    }
    const auto index = parseWholeNumber(text);
    if (index && *index < settings::kReturnKindCount) {
        return static_cast<settings::ReturnKind>(*index);
    }
    return std::nullopt;
}

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto argument = arguments[i];
        // Options that take a value accept it as the next argument or after "=".
        std::string_view option = argument;
        std::optional<std::string_view> inlineValue;
        if (const auto equals = argument.find('=');
            argument.starts_with("--") && equals != argument.npos) {
            option = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < arguments.size()) {
                return arguments[++i];
            }
            return std::nullopt;
        };

        if (option == "--headless" && !inlineValue) {
            line.headless = true;
        } else if ((option == "--help" || option == "-h") && !inlineValue) {
            line.help = true;
        } else if (option == "--version" && !inlineValue) {
            line.version = true;
        } else if (option == "--config") {
            const auto file = value();
            if (!file || file->empty()) {
                return std::string("--config needs a file");
            }
            line.configFile = std::string(*file);
        } else if (option == "--outcome") {
            const auto text = value();
            const auto outcome = text ? parseOutcome(*text) : std::nullopt;
            if (!outcome) {
                return std::string("--outcome takes 0 to 5 or an outcome name");
            }
            line.outcome = *outcome;
        } else if (option == "--ticks") {
            const auto text = value();
            const auto ticks = text ? parseWholeNumber(*text) : std::nullopt;
            if (!ticks) {
                return std::string("--ticks takes a whole number");
            }
            line.ticks = *ticks;
        } else if (option == "--interval") {
            const auto text = value();
            const auto interval = text ? parseWholeNumber(*text) : std::nullopt;
            if (!interval) {
                return std::string("--interval takes a whole number of milliseconds");
            }
            line.intervalMs = *interval;
        } else if (option == "--events") {
            const auto format = value();
            if (format == "json") {
                line.events = EventFormat::Json;
            } else if (format == "text") {
                line.events = EventFormat::Text;
            } else {
                return std::string("--events takes text or json");
            }
        } else {
            return "unknown argument: " + std::string(argument);
        }
    }
    return line;
}

std::string usageText() {
    return "Usage: kelmar-sim [--config FILE]\n"
           "       kelmar-sim --headless [--config FILE] [--outcome K] [--ticks N] [--interval "
           "MS]\n"
           "                  [--events json]\n"
           "\n"
           "Answers the requests an invoicing application drops into the exchange folder,\n"
           "as the NF-e sender and the tax authority would.\n"
           "\n"
           "  --headless      run without a window, printing each request handled\n"
           "  --config FILE   settings file to use instead of config.ini beside the program\n"
           "  --outcome K     outcome to simulate: 0 autorizado, 1 falha-esquema,\n"
           "                  2 falha-envio, 3 nao-processado, 4 rejeitado, 5 denegado\n"
           "  --ticks N       run N ticks back to back, then exit (status 1 if any failed)\n"
           "  --interval MS   pause between ticks when running on (default 1000, 0 = none)\n"
           "  --events F      report as text (default) or json: one JSON object per\n"
           "                  line for each request handled, warning and error\n"
           "  --help          show this text\n"
           "  --version       show the version\n";
}

}  // namespace kelmar::ui
