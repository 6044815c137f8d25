#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/engine_context.hpp"
#include "engine/exchange_layout.hpp"
#include "engine/polling_tick.hpp"
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
        settingsFile_.load(state_);
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
    settings::SettingsFile settingsFile_{root_.text() + "\\config.ini", root_.text() + "\\nf_e"};
    settings::SimulatorState state_;
    platform::ManualClock clock_{{2009, 1, 16, 14, 50, 43, 551}};
    engine::EngineContext context_{state_, settingsFile_, clock_, root_.text()};
    std::unique_ptr<engine::RequestHandlers> handlers_ = engine::makeRequestHandlers(context_);
    engine::PollingTick tick_{context_, *handlers_};
};

}  // namespace kelmar::testing
