#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/engine_context.hpp"
#include "engine/instance_claim.hpp"
#include "engine/polling_tick.hpp"
#include "engine/request_handlers.hpp"
#include "platform/clock.hpp"
#include "settings/settings_file.hpp"
#include "settings/simulator_state.hpp"

namespace kelmar::engine {

// The whole engine, wired once for the window or the headless runner: the live state,
// the settings file it is loaded from and saved to, and a polling tick with the real
// request handlers. The settings are loaded once, by whoever starts the engine: the
// headless runner before its first tick, the window when it is created. Every tick
// first makes sure they were read (a file another program held open at start is read
// as soon as it can be, and until then nothing is answered) and that this simulator
// alone serves the exchange folder and uses the settings file.
class Simulator {
  public:
    // sampleFolder: where the sample error files are; empty means the working directory.
    Simulator(settings::SettingsFile settingsFile, const platform::Clock& clock,
              std::string sampleFolder = {});
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Loads the settings file into the state.
    void loadSettings();

    settings::SimulatorState& state() { return state_; }
    const platform::Clock& clock() const { return context_.clock(); }
    const settings::SettingsFile& settingsFile() const { return settingsFile_; }
    PollingTick& tick() { return tick_; }

    // The layout chosen on the command line, which stands for the file's LEIAUTE.
    void setProfileOverride(std::optional<settings::LayoutProfile> profile) {
        context_.setProfileOverride(profile);
    }
    const std::optional<settings::LayoutProfile>& profileOverride() const {
        return context_.profileOverride();
    }
    // The layout the next tick answers in: the override, else the file as it is now.
    // Raises, naming the value, when the file's LEIAUTE is not one of the two layouts.
    settings::LayoutProfile currentProfile() const;

    // Reads the settings if they could not be read yet and claims the settings file and
    // the exchange folder. Raises the open error of the settings file, or
    // ServeRefusedError when the folder cannot be served (another simulator holds it or
    // the settings file, no lock can be taken in it, or its lock was lost).
    void prepare();

    // Removes temporary files that a run killed mid-write left beside the settings file
    // and in the exchange folder (in the archive only after a run that did not end
    // normally, and there only in the months a request may have been cut short in). The
    // folder is claimed first, as prepare() does, and left alone when it cannot be.
    // Needs the settings loaded, to know the folder.
    void removeLeftovers();

  private:
    settings::SettingsFile settingsFile_;
    settings::SimulatorState state_;
    EngineContext context_;
    std::unique_ptr<RequestHandlers> handlers_;
    PollingTick tick_;
    InstanceClaim claim_;
};

// The request handlers the engine answers with.
std::unique_ptr<RequestHandlers> makeRequestHandlers(EngineContext& context);

}  // namespace kelmar::engine
