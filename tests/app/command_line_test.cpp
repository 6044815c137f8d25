#include "app/command_line.hpp"
#include "app/application.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelmar::ui {
namespace {

ParsedCommandLine parse(std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> list(arguments);
    return parseCommandLine(list);
}

TEST(CommandLineTest, AcceptsEveryOption) {
    const auto parsed = parse({"--headless", "--config", "x.ini", "--outcome", "rejeitado",
                               "--ticks=3", "--interval", "0", "--leiaute", "4.00"});
    ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed));
    const auto& line = std::get<CommandLine>(parsed);
    EXPECT_TRUE(line.headless);
    EXPECT_EQ(line.configFile, "x.ini");
    EXPECT_EQ(line.outcome, settings::ReturnKind::Rejected);
    EXPECT_EQ(line.ticks, 3);
    EXPECT_EQ(line.intervalMs, 0);
    EXPECT_EQ(line.layout, settings::LayoutProfile::Layout400);
    EXPECT_FALSE(std::get<CommandLine>(parse({})).layout.has_value());
}

TEST(CommandLineTest, EachProblemIsNamed) {
    const std::pair<std::vector<std::string_view>, const char*> cases[] = {
        {{"--config"}, "--config needs a file"},
        {{"--config="}, "--config needs a file"},
        {{"--outcome", "9"}, "--outcome takes 0 to 5 or an outcome name"},
        {{"--ticks"}, "--ticks takes a whole number"},
        {{"--interval=1.5"}, "--interval takes a whole number of milliseconds"},
        {{"--interval", "86400001"}, "--interval takes at most 86400000 milliseconds (a day)"},
        {{"--interval", "9223372036854775807"},
         "--interval takes at most 86400000 milliseconds (a day)"},
        {{"--headless=1"}, "unknown argument: --headless=1"},
        {{"-x"}, "unknown argument: -x"},
        {{"--drain", "--ticks", "2"}, "--drain and --ticks cannot be used together"},
        {{"--leiaute", "3.10"}, "--leiaute takes 1.10 or 4.00"},
        {{"--leiaute"}, "--leiaute takes 1.10 or 4.00"},
    };
    for (const auto& [arguments, problem] : cases) {
        const auto parsed = parseCommandLine(arguments);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << problem;
        EXPECT_EQ(std::get<std::string>(parsed), problem);
    }
    const auto flags = parse({"-h", "--version", "--config=a=b.ini"});
    ASSERT_TRUE(std::holds_alternative<CommandLine>(flags));
    EXPECT_TRUE(std::get<CommandLine>(flags).help);
    EXPECT_TRUE(std::get<CommandLine>(flags).version);
    EXPECT_EQ(std::get<CommandLine>(flags).configFile, "a=b.ini");
}

TEST(CommandLineTest, OutcomesByIndexOrName) {
    const std::pair<const char*, settings::ReturnKind> cases[] = {
        {"0", settings::ReturnKind::Authorised},
        {"autorizado", settings::ReturnKind::Authorised},
        {"falha-esquema", settings::ReturnKind::SchemaFailure},
        {"2", settings::ReturnKind::SendFailure},
        {"nao-processado", settings::ReturnKind::NotYetProcessed},
        {"5", settings::ReturnKind::Denied},
    };
    for (const auto& [text, kind] : cases) {
        EXPECT_EQ(parseOutcome(text), kind) << text;
    }
    for (const char* bad : {"6", "-1", "", "Autorizado", "1x"}) {
        EXPECT_FALSE(parseOutcome(bad).has_value()) << bad;
    }
}

TEST(CommandLineTest, BadUsageIsReported) {
    for (const auto& arguments : std::vector<std::vector<std::string_view>>{{"--outcome", "7"},
                                                                            {"--ticks", "-1"},
                                                                            {"--ticks"},
                                                                            {"--interval", "x"},
                                                                            {"--config"},
                                                                            {"--nope"},
                                                                            {"--headless=1"}}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parseCommandLine(arguments)))
            << arguments[0];
    }
}

// Whatever escapes is told and ends the program with a failure, never silently.
TEST(CommandLineTest, AnEscapedErrorIsToldAndFails) {
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string_view> arguments{"--config", "nowhere/config.ini"};
    const auto status = runApplication(arguments, out, err, [](engine::Simulator&) -> int {
        throw std::runtime_error("the window could not be made");
    });
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.str().find("the window could not be made"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace kelmar::ui
