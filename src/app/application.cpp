#include "app/application.hpp"

#include <exception>
#include <string>

#include "app/command_line.hpp"
#include "headless/console_reporter.hpp"
#include "headless/folder_watch.hpp"
#include "headless/headless_runner.hpp"
#include "headless/json_events.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/file_access.hpp"
#include "settings/settings_location.hpp"

#ifndef KELMAR_VERSION
#define KELMAR_VERSION "0.0.0"
#endif

namespace kelmar::ui {
namespace {

int runHeadlessProgram(const CommandLine& line, engine::Simulator& simulator, std::ostream& out,
                       std::ostream& err, const platform::Clock& clock) {
    platform::ignoreBrokenPipe();
    ConsoleReporter console(out, err);
    JsonEventReporter json(out, clock);
    engine::TickObserver& observer =
        line.events == EventFormat::Json ? static_cast<engine::TickObserver&>(json) : console;
    MessagePresenter& presenter =
        line.events == EventFormat::Json ? static_cast<MessagePresenter&>(json) : console;
    HeadlessOptions options;
    options.ticks = line.ticks;
    options.drain = line.drain;
    options.interval = std::chrono::milliseconds(line.intervalMs);
    FolderWatch folders(clock);
    options.beforeEachTick = [&] {
        if (const auto warning = folders.look(simulator.state().exchangeFolder())) {
            console.showWarning(*warning);
        }
    };
    if (line.events == EventFormat::Json) {
        std::optional<std::string> layout;
        try {
            layout = std::string(settings::layoutProfileText(simulator.currentProfile()));
        } catch (const Error&) {
            // left null: the first tick reports the value that cannot be used
        }
        json.showReady({KELMAR_VERSION, platform::io::processId(), simulator.settingsFile().path(),
                        simulator.state().exchangeFolder(), layout});
    }
    SignalStopRequest stop;
    return runHeadless(simulator.tick(), observer, presenter, options, stop);
}

int runProgram(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err,
               const WindowRunner& windowRunner) {
    const auto parsed = parseCommandLine(arguments);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        err << "kelmar-sim: " << *problem << "\n\n" << usageText();
        return 2;
    }
    const auto& line = std::get<CommandLine>(parsed);
    if (line.help) {
        out << usageText();
        return 0;
    }
    if (line.version) {
        out << "kelmar-sim " << KELMAR_VERSION << '\n';
        return 0;
    }

    const platform::SystemClock clock;
    engine::Simulator simulator(
        settings::SettingsFile(settings::locateSettingsFile(line.configFile),
                               settings::defaultExchangeFolder()),
        clock);
    simulator.state().setReturnKind(line.outcome);
    simulator.setProfileOverride(line.layout);

    if (!line.headless && windowRunner) {
        return windowRunner(simulator);  // the window loads the settings when it is created
    }
    if (!line.headless) {
        err << "kelmar-sim: built without the window; running headless (see --help)\n";
    }
    try {
        simulator.loadSettings();
        // A second simulator on the same folder or settings file touches nothing.
        simulator.prepare();
    } catch (const engine::ServeRefusedError& error) {
        ConsoleReporter(out, err).showError(error.what());
        return 1;
    } catch (const Error&) {
        // Settings another program holds open: every tick says so until they can be read.
    }
    simulator.removeLeftovers();
    return runHeadlessProgram(line, simulator, out, err, clock);
}

}  // namespace

int runApplication(std::span<const std::string_view> arguments, std::ostream& out,
                   std::ostream& err, const WindowRunner& windowRunner) {
    // The Windows program has no console of its own, so a runtime that gives up on an
    // escaped exception would end it without a word: whatever escapes is told here.
    try {
        return runProgram(arguments, out, err, windowRunner);
    } catch (const std::exception& error) {
        ConsoleReporter(out, err).showError(std::string("kelmar-sim stopped: ") + error.what());
    } catch (...) {
        ConsoleReporter(out, err).showError("kelmar-sim stopped by an unknown error");
    }
    return 1;
}

}  // namespace kelmar::ui
