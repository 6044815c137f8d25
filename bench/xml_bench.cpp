// Load throughput of our reader against two widely used parsers, on the same files in
// the same run, plus the writer's speed and the memory a loaded document holds.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>

#include "nfe_generator.hpp"
#include "xml/xml_document.hpp"

namespace {

namespace fs = std::filesystem;

// The generated files, made once per run in a temporary folder.
class Files {
public:
    ~Files() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    const std::string& nfe(std::size_t bytes) {
        auto& path = nfe_[bytes];
        if (path.empty()) {
            path = write("nfe-" + std::to_string(bytes) + ".xml", kelmar::bench::makeNfe(bytes));
        }
        return path;
    }

    const std::string& batchList() {
        if (list_.empty()) {
            list_ = write("lista-montar-lote.xml", kelmar::bench::makeBatchList(100000));
        }
        return list_;
    }

private:
    std::string write(const std::string& name, const std::string& content) {
        fs::create_directories(folder_);
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
        return path.string();
    }

    fs::path folder_ = fs::temp_directory_path() / ("kelmar-bench-" + std::to_string(::getpid()));
    std::map<std::size_t, std::string> nfe_;
    std::string list_;
};

Files& files() {
    static Files instance;
    return instance;
}

std::size_t heapInUse() {
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

const std::string& input(const benchmark::State& state) {
    return state.range(0) == 0 ? files().batchList() : files().nfe(static_cast<std::size_t>(state.range(0)));
}

void setLabel(benchmark::State& state) {
    state.SetLabel(state.range(0) == 0 ? "batch list, 100000 entries"
                                       : std::to_string(state.range(0) / 1000) + " KB NF-e");
}

void BM_LoadOurs(benchmark::State& state) {
    const auto& path = input(state);
    const auto size = fs::file_size(path);
    double ratio = 0;
    {
        // Measured once, outside the timed loop: asking the allocator is not free.
        const auto before = heapInUse();
        kelmar::xml::XmlDocument document;
        document.loadDocument(path);
        ratio = static_cast<double>(heapInUse() - before) / static_cast<double>(size);
    }
    for (auto _ : state) {
        kelmar::xml::XmlDocument document;
        document.loadDocument(path);
        benchmark::DoNotOptimize(document.rootElement());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["memory_per_file_byte"] = ratio;
    setLabel(state);
}

void BM_LoadPugixml(benchmark::State& state) {
    const auto& path = input(state);
    const auto size = fs::file_size(path);
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_file(path.c_str()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    setLabel(state);
}

void BM_LoadLibxml2(benchmark::State& state) {
    const auto& path = input(state);
    const auto size = fs::file_size(path);
    for (auto _ : state) {
        xmlDocPtr document = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
        benchmark::DoNotOptimize(document);
        xmlFreeDoc(document);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    setLabel(state);
}

void sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(100'000)->Arg(10'000'000)->Arg(100'000'000)->Arg(0)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LoadOurs)->Apply(sizes);
BENCHMARK(BM_LoadPugixml)->Apply(sizes);
BENCHMARK(BM_LoadLibxml2)->Apply(sizes);

void BM_SaveBuiltDocument(benchmark::State& state) {
    auto document = kelmar::xml::XmlDocument::createWithRoot("retConsReciNFe");
    auto& root = *document->rootElement();
    for (int i = 0; i < 200'000; ++i) {
        auto& item = root.appendChild("infProt");
        item.addAttribute("Id", "NFe160120091450435510");
        item.writeTextChild("chNFe", "42090112345678000190550010000000011000000010");
        item.writeTextChild("xMotivo", "Autorizado o uso da NF-e");
    }
    const auto path = (fs::temp_directory_path() / ("kelmar-bench-save-" + std::to_string(::getpid()))).string();
    for (auto _ : state) {
        document->saveDocument(path);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
    fs::remove(path);
    state.SetLabel(std::to_string(fs::exists(path) ? 0 : 200'000) + " items");
}
BENCHMARK(BM_SaveBuiltDocument)->Unit(benchmark::kMillisecond);

void BM_WriteToTextOfLoadedElement(benchmark::State& state) {
    kelmar::xml::XmlDocument document;
    document.loadDocument(files().nfe(10'000'000));
    const auto& information = *document.rootElement()->child(0);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto text = information.writeToText();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetLabel("infNFe of a 10 MB NF-e");
}
BENCHMARK(BM_WriteToTextOfLoadedElement)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
