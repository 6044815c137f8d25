// Loading and writing speed of the XML layer, side by side with pugixml and libxml2 on the
// same generated NF-e files, plus the peak memory of each loaded document.

#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <filesystem>
#include <pugixml.hpp>
#include <random>
#include <string>
#include <vector>

#include "memory_probe.hpp"
#include "nfe_files.hpp"
#include "xml/xml_document.hpp"

namespace {

namespace fs = std::filesystem;
using kelmar::bench::MemoryProbe;

struct BenchFile {
    std::string label;
    fs::path path;
    std::size_t size;
};

// The generated files, removed when the run ends.
class BenchFolder {
  public:
    BenchFolder() {
        std::random_device seed;
        path_ = fs::temp_directory_path() / ("kelmar-bench-xml-" + std::to_string(seed()));
        fs::create_directories(path_);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path file(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

void reportMemory(benchmark::State& state, std::size_t fileSize, std::size_t peakGrowth) {
    state.counters["peak_MB"] = static_cast<double>(peakGrowth) / 1e6;
    state.counters["peak_x_file"] = static_cast<double>(peakGrowth) / static_cast<double>(fileSize);
}

void loadKelmar(benchmark::State& state, const BenchFile& file) {
    const std::string path = file.path.string();
    for (auto _ : state) {
        kelmar::xml::XmlDocument document;
        document.loadDocument(path);
        benchmark::DoNotOptimize(document.rootElement());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size));
    MemoryProbe probe;
    kelmar::xml::XmlDocument document;
    document.loadDocument(path);
    reportMemory(state, file.size, probe.peakGrowth());
    state.counters["tree_x_file"] =
        static_cast<double>(document.treeBytes()) / static_cast<double>(file.size);
}

void loadPugixml(benchmark::State& state, const BenchFile& file) {
    for (auto _ : state) {
        pugi::xml_document document;
        if (!document.load_file(file.path.c_str())) {
            state.SkipWithError("pugixml refused the file");
            return;
        }
        benchmark::DoNotOptimize(document.first_child());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size));
    MemoryProbe probe;
    pugi::xml_document document;
    document.load_file(file.path.c_str());
    reportMemory(state, file.size, probe.peakGrowth());
}

void loadLibxml2(benchmark::State& state, const BenchFile& file) {
    for (auto _ : state) {
        xmlDocPtr document = xmlReadFile(file.path.c_str(), nullptr, XML_PARSE_NONET);
        if (document == nullptr) {
            state.SkipWithError("libxml2 refused the file");
            return;
        }
        benchmark::DoNotOptimize(document);
        xmlFreeDoc(document);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size));
    MemoryProbe probe;
    xmlDocPtr document = xmlReadFile(file.path.c_str(), nullptr, XML_PARSE_NONET);
    reportMemory(state, file.size, probe.peakGrowth());
    xmlFreeDoc(document);
}

// An NF-e of about 10 MB built through the node operations, as the system builds its
// response documents, then saved.
void saveBuiltDocument(benchmark::State& state, const fs::path& path) {
    auto document = kelmar::xml::XmlDocument::createWithRoot("nfeProc");
    document->setOutputForm(kelmar::xml::OutputForm::Compact);
    document->setDeclarationEncoding("UTF-8");
    kelmar::xml::XmlNode& root = *document->rootElement();
    root.addAttribute("xmlns", "http://www.portalfiscal.inf.br/nfe");
    root.addAttribute("versao", "1.10");
    kelmar::xml::XmlNode& information = root.appendChild("NFe").appendChild("infNFe");
    information.addAttribute("Id", "NFe42090112345678000190550010000012341000012345");
    for (int n = 1; n <= 40000; ++n) {
        kelmar::xml::XmlNode& item = information.appendChild("det");
        item.addAttribute("nItem", std::to_string(n));
        kelmar::xml::XmlNode& product = item.appendChild("prod");
        product.writeTextChild("cProd", std::to_string(1000000 + n));
        product.writeTextChild("xProd", "PRODUTO DE TESTE N\xBA " + std::to_string(n));
        product.writeTextChild("NCM", "73181500");
        product.writeTextChild("CFOP", "5102");
        product.writeTextChild("uCom", "UN");
        product.writeTextChild("qCom", "2.0000");
        product.writeTextChild("vUnCom", "125.5000");
        product.writeTextChild("vProd", "251.00");
        kelmar::xml::XmlNode& tax =
            item.appendChild("imposto").appendChild("ICMS").appendChild("ICMS00");
        tax.writeTextChild("orig", "0");
        tax.writeTextChild("CST", "00");
        tax.writeTextChild("vBC", "251.00");
        tax.writeTextChild("pICMS", "17.00");
        tax.writeTextChild("vICMS", "42.67");
    }
    const std::string pathText = path.string();
    for (auto _ : state) {
        document->saveDocument(pathText);
    }
    const auto size = fs::file_size(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

void writeLoadedElement(benchmark::State& state, const BenchFile& file) {
    kelmar::xml::XmlDocument document;
    document.loadDocument(file.path.string());
    const kelmar::xml::XmlNode& information = *document.rootElement()->child(0);
    std::size_t written = 0;
    for (auto _ : state) {
        const std::string text = information.writeToText();
        written = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    xmlInitParser();
    const BenchFolder folder;
    std::vector<BenchFile> files;
    for (const auto& [label, size] : {std::pair<const char*, std::size_t>{"nfe_100KB", 100'000},
                                      {"nfe_10MB", 10'000'000},
                                      {"nfe_100MB", 100'000'000}}) {
        const fs::path path = folder.file(std::string(label) + ".xml");
        files.push_back({label, path, kelmar::bench::writeNfeFile(path, size)});
    }
    const fs::path batchPath = folder.file("lote_100000.xml");
    files.push_back(
        {"batch_list_100000", batchPath, kelmar::bench::writeBatchList(batchPath, 100'000)});

    for (const BenchFile& file : files) {
        const double seconds = file.size > 50'000'000 ? 3.0 : 1.0;
        benchmark::RegisterBenchmark(("load/kelmar/" + file.label).c_str(), loadKelmar, file)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(seconds);
        benchmark::RegisterBenchmark(("load/pugixml/" + file.label).c_str(), loadPugixml, file)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(seconds);
        benchmark::RegisterBenchmark(("load/libxml2/" + file.label).c_str(), loadLibxml2, file)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(seconds);
    }
    benchmark::RegisterBenchmark("save/kelmar/built_nfe", saveBuiltDocument,
                                 folder.file("saved.xml"))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("writeToText/kelmar/infNFe_of_nfe_10MB", writeLoadedElement,
                                 files[1])
        ->Unit(benchmark::kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xmlCleanupParser();
    return 0;
}
