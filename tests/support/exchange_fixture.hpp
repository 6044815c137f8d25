#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/exchange_layout.hpp"
#include "engine/simulator.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "settings/settings_file.hpp"
#include "support/temporary_folder.hpp"

namespace kelmar::testing {

// A complete exchange folder in a temporary folder, with the sample error files beside
// it, the real request handlers, a fixed clock and counters at their defaults.
class ExchangeFixture : public ::testing::Test {
  protected:
    ExchangeFixture() {
        for (const auto sub : engine::ExchangeLayout::subfolderNames()) {
            root_.makeFolder("nf_e/" + std::string(sub));
        }
        root_.write("erro_layout.err", "Erro de esquema\n");
        root_.write("erro_envio.err", "Falha de envio\n");
        simulator_.loadSettings();
        settingsFile_.save(state_);
    }

    std::filesystem::path exchange() const { return root_.path() / "nf_e"; }
    std::filesystem::path path(std::string_view relative) const {
        return exchange() / std::string(relative);
    }
    std::string file(std::string_view relative) const { return readFile(path(relative)); }
    std::vector<std::string> list(std::string_view relative) const {
        return listFolder(path(relative));
    }
    void put(std::string_view relative, std::string_view content) const {
        root_.write("nf_e/" + std::string(relative), content);
    }

    // Runs one tick; the error's message, or empty text when the tick succeeded. The
    // records of the requests it answered are kept in records_.
    std::string tick() {
        try {
            tick_.run(&recorder_);
            return {};
        } catch (const Error& error) {
            return error.what();
        }
    }

    // Keeps the record of every request answered.
    class Recorder final : public engine::TickObserver {
      public:
        explicit Recorder(std::vector<engine::DispatchRecord>& records) : records_(records) {}
        void requestHandled(const engine::DispatchRecord& record) override {
            records_.push_back(record);
        }

      private:
        std::vector<engine::DispatchRecord>& records_;
    };

    std::vector<engine::DispatchRecord> records_;
    Recorder recorder_{records_};
    TemporaryFolder root_;
    platform::ManualClock clock_{{2009, 1, 16, 14, 50, 43, 551}};
    // The engine as the program wires it, with the sample files beside the folder.
    engine::Simulator simulator_{
        settings::SettingsFile(root_.text() + "\\config.ini", root_.text() + "\\nf_e"), clock_,
        root_.text()};
    settings::SimulatorState& state_ = simulator_.state();
    const settings::SettingsFile& settingsFile_ = simulator_.settingsFile();
    engine::PollingTick& tick_ = simulator_.tick();
};

}  // namespace kelmar::testing
