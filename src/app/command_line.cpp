#include "app/command_line.hpp"

#include <array>
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

namespace {

// One option of the command line. A flag takes no value; any other option takes one,
// as the next argument or after "=". apply stores the value, or says what is wrong.
struct Option {
    std::string_view name;
    std::string_view alias;  // a short spelling, or empty
    bool takesValue;
    std::optional<std::string> (*apply)(CommandLine& line, std::string_view value);
};

constexpr std::array<Option, 10> kOptions = {{
    {"--headless", "", false,
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
         line.headless = true;
         return std::nullopt;
     }},
    {"--help", "-h", false,
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
         line.help = true;
         return std::nullopt;
     }},
    {"--version", "", false,
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
         line.version = true;
         return std::nullopt;
     }},
    {"--config", "", true,
     [](CommandLine& line, std::string_view file) -> std::optional<std::string> {
         if (file.empty()) {
             return "--config needs a file";
         }
         line.configFile = std::string(file);
         return std::nullopt;
     }},
    {"--outcome", "", true,
     [](CommandLine& line, std::string_view text) -> std::optional<std::string> {
         const auto outcome = parseOutcome(text);
         if (!outcome) {
             return "--outcome takes 0 to 5 or an outcome name";
         }
         line.outcome = *outcome;
         return std::nullopt;
     }},
    {"--ticks", "", true,
     [](CommandLine& line, std::string_view text) -> std::optional<std::string> {
         line.ticks = parseWholeNumber(text);
         if (!line.ticks) {
             return "--ticks takes a whole number";
         }
         return std::nullopt;
     }},
    {"--drain", "", false,
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
         line.drain = true;
         return std::nullopt;
     }},
    {"--interval", "", true,
     [](CommandLine& line, std::string_view text) -> std::optional<std::string> {
         // A day at most: a wait much longer than that would overflow the clock's count.
         constexpr long long kLongestInterval = 86'400'000;
         const auto interval = parseWholeNumber(text);
         if (!interval) {
             return "--interval takes a whole number of milliseconds";
         }
         if (*interval > kLongestInterval) {
             return "--interval takes at most 86400000 milliseconds (a day)";
         }
         line.intervalMs = *interval;
         return std::nullopt;
     }},
    {"--events", "", true,
     [](CommandLine& line, std::string_view format) -> std::optional<std::string> {
         if (format == "json") {
             line.events = EventFormat::Json;
         } else if (format == "text") {
             line.events = EventFormat::Text;
         } else {
             return "--events takes text or json";
         }
         return std::nullopt;
     }},
    {"--leiaute", "", true,
     [](CommandLine& line, std::string_view text) -> std::optional<std::string> {
         line.layout = settings::parseLayoutProfile(text);
         if (!line.layout) {
             return "--leiaute takes 1.10 or 4.00";
         }
         return std::nullopt;
     }},
}};

const Option* findOption(std::string_view name) {
    for (const auto& option : kOptions) {
        if (name == option.name || (!option.alias.empty() && name == option.alias)) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto argument = arguments[i];
        std::string_view name = argument;
        std::optional<std::string_view> value;
        if (const auto equals = argument.find('=');
            argument.starts_with("--") && equals != argument.npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const Option* option = findOption(name);
        if (option == nullptr || (!option->takesValue && value)) {
            return "unknown argument: " + std::string(argument);
        }
        if (option->takesValue && !value && i + 1 < arguments.size()) {
            value = arguments[++i];
        }
        // A missing value reaches the option as empty text, which each option that takes
        // one refuses in its own words.
        if (auto problem = option->apply(line, value.value_or(std::string_view()))) {
            return *std::move(problem);
        }
    }
    if (line.drain && line.ticks) {
        return "--drain and --ticks cannot be used together";
    }
    return line;
}

namespace {

// "  --outcome K     outcome to simulate: 0 autorizado, 1 falha-esquema, ...", wrapped
// after the second outcome.
std::string outcomeOptionText() {
    std::string text = "  --outcome K     outcome to simulate: ";
    for (int i = 0; i < settings::kReturnKindCount; ++i) {
        if (i > 0) {
            text += i == 2 ? ",\n                  " : ", ";
        }
        text += std::to_string(i) + " " +
                std::string(settings::outcomeName(static_cast<settings::ReturnKind>(i)));
    }
    return text + "\n";
}

}  // namespace

std::string usageText() {
    return "Usage: kelmar-sim [--config FILE] [--leiaute L]\n"
           "       kelmar-sim --headless [--config FILE] [--outcome K] [--ticks N | --drain]\n"
           "                  [--interval MS] [--events json] [--leiaute L]\n"
           "\n"
           "Answers the requests an invoicing application drops into the exchange folder,\n"
           "as the NF-e sender and the tax authority would.\n"
           "\n"
           "  --headless      run without a window, printing each request handled\n"
           "  --config FILE   settings file to use instead of config.ini beside the program\n" +
           outcomeOptionText() +
           "  --ticks N       run N ticks back to back, then exit (status 1 if any failed)\n"
           "  --drain         run ticks back to back until no request is left (or only\n"
           "                  requests that keep failing), then exit (status 1 if any\n"
           "                  tick failed)\n"
           "  --interval MS   pause between ticks when running on (default 1000, 0 = none)\n"
           "  --events F      report as text (default) or json: one JSON object per\n"
           "                  line for each request handled, warning and error\n"
           "  --leiaute L     answer in layout 1.10 (the default) or 4.00 for this run,\n"
           "                  whatever LEIAUTE in config.ini says\n"
           "  --help          show this text\n"
           "  --version       show the version\n";
}

}  // namespace kelmar::ui
