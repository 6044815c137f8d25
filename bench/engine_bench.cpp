// The cost of one polling tick in the situations the tool meets every day.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/engine_context.hpp"
#include "engine/polling_tick.hpp"
#include "engine/simulator.hpp"
#include "nfe_generator.hpp"
#include "platform/clock.hpp"
#include "platform/text_encoding.hpp"
#include "settings/settings_file.hpp"

namespace {

namespace fs = std::filesystem;
using kelmar::settings::StateField;

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
}

// An exchange folder in a temporary folder with the real engine on it.
class Exchange {
  public:
    Exchange() {
        for (const auto sub : kelmar::engine::ExchangeLayout::subfolderNames()) {
            fs::create_directories(root_ / "nf_e" / sub);
        }
        writeFile(root_ / "erro_layout.err", "Erro de esquema\n");
        writeFile(root_ / "erro_envio.err", "Falha de envio\n");
        settingsFile_.load(state_);
    }
    ~Exchange() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    fs::path folder(const char* sub) const { return root_ / "nf_e" / sub; }
    void tick() { tick_.run(); }

  private:
    fs::path root_ =
        fs::temp_directory_path() / ("kelmar-bench-engine-" + std::to_string(::getpid()));
    std::string text_ = kelmar::platform::utf8ToCp1252(root_.string());
    kelmar::settings::SettingsFile settingsFile_{text_ + "\\config.ini", text_ + "\\nf_e"};
    kelmar::settings::SimulatorState state_;
    kelmar::platform::ManualClock clock_{{2009, 1, 16, 14, 50, 43, 551}};
    kelmar::engine::EngineContext context_{state_, settingsFile_, clock_, text_};
    std::unique_ptr<kelmar::engine::RequestHandlers> handlers_ =
        kelmar::engine::makeRequestHandlers(context_);
    kelmar::engine::PollingTick tick_{context_, *handlers_};
};

void BM_IdleTick(benchmark::State& state) {
    Exchange exchange;
    for (auto _ : state) {
        exchange.tick();
    }
    state.SetLabel("empty envio and envio_lote");
}
BENCHMARK(BM_IdleTick)->Unit(benchmark::kMicrosecond);

void BM_TickOverUnrelatedFiles(benchmark::State& state) {
    Exchange exchange;
    for (int i = 0; i < 10'000; ++i) {
        writeFile(
            exchange.folder("envio") / ("anexo-" + std::to_string(i) + (i % 2 ? ".pdf" : ".xml")),
            "x");
    }
    for (auto _ : state) {
        exchange.tick();
    }
    state.SetLabel("10000 files that are no request");
}
BENCHMARK(BM_TickOverUnrelatedFiles)->Unit(benchmark::kMicrosecond);

void submission(benchmark::State& state, std::size_t bytes) {
    Exchange exchange;
    const auto nfe = kelmar::bench::makeNfe(bytes);
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(exchange.folder("envio") / "42090112345678000190550010000000011000000010-nfe.xml",
                  nfe);
        state.ResumeTiming();
        exchange.tick();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * nfe.size()));
}

void BM_TypicalSubmission(benchmark::State& state) {
    submission(state, 20'000);
    state.SetLabel("20 KB NF-e: 5 files written, 2 counter saves");
}
BENCHMARK(BM_TypicalSubmission)->Unit(benchmark::kMicrosecond);

void BM_LargeSubmission(benchmark::State& state) {
    submission(state, 10'000'000);
    state.SetLabel("10 MB NF-e");
}
BENCHMARK(BM_LargeSubmission)->Unit(benchmark::kMillisecond);

void BM_QueryOverLargeBatch(benchmark::State& state) {
    Exchange exchange;
    std::string record = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<retConsReciNFe>";
    for (int i = 0; i < 10'000; ++i) {
        record += "<ArquivoNFe>420901123456780001905500100000" + std::to_string(10'000'000 + i) +
                  "-nfe.xml</ArquivoNFe>";
    }
    record += "</retConsReciNFe>\n";
    writeFile(exchange.folder("lotes") / "420000000159093-lote-rec.xml", record);
    const std::string query =
        "<consReciNFe versao=\"1.10\"><tpAmb>2</tpAmb><nRec>420000000159093</nRec></consReciNFe>";
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(exchange.folder("envio") / "q-ped-rec.xml", query);
        state.ResumeTiming();
        exchange.tick();
    }
    state.SetLabel("10000 NF-e, 10000 counter saves");
}
BENCHMARK(BM_QueryOverLargeBatch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
