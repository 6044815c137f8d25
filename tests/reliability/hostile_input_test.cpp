// The hostile-input catalogue: for each input, the visible result the tool promises.
// Every case also checks that nothing was written outside the exchange folder and that
// a request the tool could not answer is still where the application left it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "engine/exchange_names.hpp"
#include "support/exchange_fixture.hpp"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelmar {
namespace {

namespace fs = std::filesystem;
using settings::ReturnKind;
using settings::StateField;
using testing::listFolder;
using testing::readFile;

constexpr const char* kCannotCreate = "N\xE3o \xE9 poss\xEDvel criar o arquivo ";
constexpr const char* kKey = "42090112345678000190550010000000011000000010";

std::string nfe(std::string_view id, std::string_view body = "<ide><cUF>42</cUF></ide>") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NFe "
           "xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
           "<infNFe Id=\"" +
           std::string(id) + "\" versao=\"1.10\">" + std::string(body) + "</infNFe></NFe>\n";
}

std::string query(std::string_view receipt) {
    return "<?xml version=\"1.0\"?><consReciNFe versao=\"1.10\"><tpAmb>2</tpAmb><nRec>" +
           std::string(receipt) + "</nRec></consReciNFe>";
}

class HostileInputTest : public testing::ExchangeFixture, private engine::TickObserver {
  protected:
    // What lies beside the exchange folder, but for the lock the first tick takes on the
    // settings file.
    std::vector<std::string> outside() const {
        auto names = listFolder(root_.path());
        std::erase(names, ".config.ini.lock");
        return names;
    }

    // Runs one tick that must succeed; the warnings of the requests it answered.
    std::vector<std::string> tickWarnings() {
        warnings_.clear();
        tick_.run(this);
        return warnings_;
    }

  private:
    void requestHandled(const engine::DispatchRecord& record) override {
        warnings_.insert(warnings_.end(), record.warnings.begin(), record.warnings.end());
    }
    void fileNotHandled(std::string_view message) override { warnings_.emplace_back(message); }
    std::vector<std::string> warnings_;
};

// A name Windows-1252 cannot hold is passed over, and said once, as well as it can be
// shown; the requests beside it are answered as usual.
TEST_F(HostileInputTest, ANameThatCannotBeShownIsToldOnceAndPassedOver) {
    const std::pair<const char*, const char*> names[] = {
        {"\xE6\x97\xA5-nfe.xml", "envio/?-nfe.xml"},  // a CJK letter
#ifndef _WIN32
        {"a\xFF-nfe.xml", "envio/a?-nfe.xml"},  // not UTF-8 at all
        {"\xE9-nfe.xml", "envio/?-nfe.xml"},    // a Latin-1 byte
#endif
    };
    for (const auto& [name, shown] : names) {
        SCOPED_TRACE(shown);
        const auto path = exchange() / "envio" / testing::utf8Path(name);
        std::ofstream(path) << nfe(std::string("NFe") + kKey);
        const std::vector<std::string> told = {
            std::string(shown) +
            " n\xE3o \xE9 atendido: o seu nome tem caracteres que o Windows-1252 n\xE3o "
            "representa"};
        EXPECT_EQ(tickWarnings(), told);
        EXPECT_EQ(tickWarnings(), std::vector<std::string>{});
        EXPECT_TRUE(fs::exists(path));
        fs::remove(path);
        EXPECT_EQ(tickWarnings(), std::vector<std::string>{});
    }
    EXPECT_TRUE(list("retorno").empty());
}

struct RefusedRequest {
    const char* title;
    const char* folder;
    const char* name;
    std::string content;
    std::string message;  // the whole message, or a part of it when partial is set
    bool partial = false;
};

// Requests the tool cannot answer: the tick ends with a clear message and the request
// stays in its folder, byte for byte.
TEST_F(HostileInputTest, UnreadableRequestsAreRefusedAndKept) {
    const std::string utf32("\xFF\xFE\x00\x00<\x00\x00\x00", 8);
    const RefusedRequest cases[] = {
        {"zero-byte file", "envio", "a-nfe.xml", "", "Unsupported string encoding"},
        {"only a byte-order mark", "envio", "a-nfe.xml", "\xEF\xBB\xBF",
         "No root element found in xml"},
        {"a lone first byte of a mark", "envio", "a-nfe.xml", "\xEF",
         "No root element found in xml"},
        {"UTF-32", "envio", "a-nfe.xml", utf32, "Unsupported string encoding"},
        {"only a declaration", "envio", "a-nfe.xml", "<?xml version=\"1.0\"?>\n",
         "No root element found in xml"},
        {"nameless tag", "envio", "a-nfe.xml", "<>", "Missing element name"},
        {"missing close tag", "envio", "a-nfe.xml", "<NFe><infNFe Id=\"NFe1\">",
         "Missing close tag in element infNFe"},
        {"nothing after <", "envio", "a-nfe.xml", "<NFe><   ",
         "Missing data after \"<\" in element NFe"},
        {"close tag without >", "envio", "a-nfe.xml", "<NFe><a/></NFe",
         "Missing \">\" in close tag of element NFe"},
        {"wrong close tag", "envio", "a-nfe.xml", "<NFe><a/></nfeX>",
         "Incorrect close tag in element NFe"},
        {"root without child", "envio", "a-nfe.xml", "<NFe/>", "a-nfe.xml", true},
        {"query with one child", "envio", "q-ped-rec.xml", "<c><tpAmb>2</tpAmb></c>",
         "q-ped-rec.xml", true},
        {"query for an unknown receipt", "envio", "q-ped-rec.xml", query("42000000099"),
         "lotes\\42000000099-lote-rec.xml", true},
        {"key climbing out", "envio", "a-nfe.xml", nfe("NFe../../fora"), "../../fora", true},
        {"key with backslashes", "envio", "a-nfe.xml", nfe("NFe..\\..\\fora"), "..\\..\\fora",
         true},
        {"key with a zero byte", "envio", "a-nfe.xml", nfe("NFe&#0;x"), "a-nfe.xml", true},
        {"receipt climbing out", "envio", "q-ped-rec.xml", query("../../fora"), "../../fora", true},
        {"cancellation key climbing out", "envio", "c-ped-can.xml",
         "<cancNFe><infCanc Id=\"ID../../fora\"/></cancNFe>", "../../fora", true},
        // Names no system takes: refused before any number moves.
        {"key with a colon", "envio", "a-nfe.xml", nfe("NFe4209:1"), "'4209:1'", true},
        {"key with a question mark", "envio", "a-nfe.xml", nfe("NFe4209?1"), "'4209?1'", true},
        {"key with a tab", "envio", "a-nfe.xml", nfe("NFe4209&#9;1"), "a-nfe.xml traz", true},
        {"a 250-digit key", "envio", "a-nfe.xml", nfe("NFe" + std::string(250, '4')),
         "que n\xE3o pode fazer parte de um nome de arquivo", true},
        {"voiding key with a bar", "envio", "i-ped-inu.xml",
         "<inutNFe><infInut Id=\"ID4209|1\"/></inutNFe>", "'4209|1'", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const auto request = root_.write(std::string("nf_e/") + c.folder + "/" + c.name, c.content);
        const auto before = outside();
        const auto message = tick();
        if (c.partial) {
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        } else {
            EXPECT_EQ(message, c.message);
        }
        EXPECT_EQ(readFile(request), c.content);
        EXPECT_EQ(outside(), before);
        EXPECT_EQ(listFolder(exchange() / "retorno"), std::vector<std::string>{});
        EXPECT_EQ(state_.batch(), "204");
        EXPECT_EQ(state_.protocol(), "589900");
        fs::remove(request);
    }
}

TEST_F(HostileInputTest, LeftoversAreSweptWhereARequestCutShortWrote) {
    // The clock says January 2009; a request begun in December was cut short.
    put(".kelmar-pendente-envio.ini", "[PENDENTE]\nARQUIVO=a-nfe.xml\nMES=200812\n");
    const char* swept[] = {"backup/Autorizados/200901/.kelmar-999999999-1f.part",
                           "backup/Denegados/200812/.kelmar-999999998-1f.part"};
    // Months no request was in progress in are not looked at: the archive grows without
    // end, and nothing is written there outside a request.
    const char* kept = "backup/Autorizados/200811/.kelmar-999999996-1f.part";
    for (const auto* name : swept) {
        put(name, "crash");
    }
    put(kept, "crash");
    put("lotes/.kelmar-999999997-1f.part", "crash");
    {
        // After a run that ended normally (it took its lock file away) the archive is
        // not looked at; the other folders are.
        engine::Simulator clean(settings::SettingsFile(settingsFile_.path(), "x"), clock_);
        clean.loadSettings();
        clean.prepare();
        clean.removeLeftovers();
        EXPECT_FALSE(std::filesystem::exists(path("lotes/.kelmar-999999997-1f.part")));
        EXPECT_TRUE(std::filesystem::exists(path(swept[0])));
    }
    put(".kelmar.lock", "");  // left by a simulator that was killed
    simulator_.prepare();
    simulator_.removeLeftovers();
    for (const auto* name : swept) {
        EXPECT_FALSE(std::filesystem::exists(path(name))) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(path(kept)));
}

TEST_F(HostileInputTest, RandomBytesNeverCrashAndNeverEscape) {
    std::mt19937 random(20091);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(random() % 600, '\0');
        for (auto& byte : bytes) {
            byte =
                static_cast<char>(random() % 4 == 0 ? "<>/=\"'&;!?[]-"[random() % 13] : random());
        }
        const auto request = root_.write("nf_e/envio/r-nfe.xml", bytes);
        const auto before = outside();
        tick();
        EXPECT_EQ(outside(), before);
        fs::remove(request);
    }
}

struct FolderFailure {
    const char* title;
    const char* removedFolder;
    const char* folder;
    const char* name;
    std::string content;
    std::string failingPath;  // relative to the exchange folder
};

// A missing folder ends the tick naming the folder, before any number moves; the request
// stays for a later tick.
TEST_F(HostileInputTest, MissingFoldersFailWithThePathAndKeepTheRequest) {
    const std::string key = kKey;
    const FolderFailure cases[] = {
        {"no retorno", "retorno", "envio", "a-nfe.xml", nfe("NFe" + key), "\\retorno"},
        {"no lotes", "lotes", "envio", "a-nfe.xml", nfe("NFe" + key), "\\lotes"},
        {"no tmp", "tmp", "envio_lote", "l-montar-lote.xml", "<l><a>x-nfe.xml</a></l>", "\\tmp"},
        {"no backup", "backup", "envio", "a-nfe.xml", nfe("NFe" + key),
         "\\backup\\Autorizados\\200901"},
        {"no backup for a cancellation", "backup", "envio", "a-ped-can.xml",
         "<c><infCanc Id=\"ID" + key + "\"/></c>", "\\backup\\Autorizados\\200901"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        fs::rename(exchange() / c.removedFolder, root_.path() / "parked");
        const auto request = root_.write(std::string("nf_e/") + c.folder + "/" + c.name, c.content);
        const auto message = tick();
        EXPECT_TRUE(message.starts_with("A pasta " + root_.text() + "\\nf_e" + c.failingPath +
                                        " n\xE3o existe ou n\xE3o aceita novos arquivos"))
            << message;
        EXPECT_TRUE(fs::exists(request));
        EXPECT_EQ(state_.batch(), "204");
        EXPECT_EQ(state_.protocol(), "589900");
        fs::remove(request);
        fs::rename(root_.path() / "parked", exchange() / c.removedFolder);
    }
}

// Requests that cannot be taken now: one the operator cannot delete (a read-only file on
// Windows, a closed folder elsewhere), and lists and cancellations still open for writing
// by the application. Each tick says why; no counter moves until it can be taken.
TEST_F(HostileInputTest, ARequestThatCannotBeTakenMovesNoCounter) {
    const std::string key = kKey;
    struct Held {
        const char* request;
        std::string content;
    };
    const Held held[] = {
        {"envio_lote/l-montar-lote.xml", "<l><a>x-nfe.xml</a></l>"},
        {"envio/c-ped-can.xml", "<c><infCanc Id=\"ID" + key + "\"/></c>"},
    };
    for (const auto& h : held) {
        SCOPED_TRACE(h.request);
        const auto path = root_.write(std::string("nf_e/") + h.request, h.content);
        const auto batch = state_.batch();
        const auto protocol = state_.protocol();
        {
            std::ofstream writer(path, std::ios::app);
            EXPECT_NE(tick(), "");
            EXPECT_NE(tick(), "");
            EXPECT_EQ(state_.batch(), batch);
            EXPECT_EQ(state_.protocol(), protocol);
        }
        EXPECT_EQ(tick(), "");
        EXPECT_FALSE(fs::exists(path));
    }
    const auto request = root_.write("nf_e/envio/a-nfe.xml", nfe("NFe" + key));
#ifdef _WIN32
    ::SetFileAttributesW(request.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    fs::permissions(exchange() / "envio", fs::perms::owner_read | fs::perms::owner_exec);
#endif
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(tick().find(" n\xE3o poderia ser apagada depois de respondida"),
                  std::string::npos);
    }
    EXPECT_EQ(state_.batch(), "205");  // the list's, above
    EXPECT_TRUE(fs::exists(request));
#ifdef _WIN32
    ::SetFileAttributesW(request.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    fs::permissions(exchange() / "envio", fs::perms::owner_all);
#endif
    EXPECT_EQ(tick(), "");
    EXPECT_EQ(state_.batch(), "206");
}

TEST_F(HostileInputTest, ReadOnlyRetornoRefusesTheAnswer) {
    const auto request = root_.write("nf_e/envio/a-nfe.xml", nfe(std::string("NFe") + kKey));
#ifdef _WIN32
    // Windows ignores a folder's read-only attribute: there the answer is refused when the
    // application holds the old answer open without sharing it.
    const auto answer = root_.write(std::string("nf_e/retorno/") + kKey + "-num-lot.xml", "antiga");
    const auto held = testing::holdWithoutSharing(answer);
    EXPECT_TRUE(tick().starts_with(kCannotCreate)) << tick();
#else
    // Refused before the batch number moves.
    fs::permissions(exchange() / "retorno", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_NE(tick().find(" n\xE3o existe ou n\xE3o aceita novos arquivos"), std::string::npos);
    EXPECT_EQ(state_.batch(), "204");
#endif
    EXPECT_TRUE(fs::exists(request));
}

TEST_F(HostileInputTest, ReadOnlySettingsFileStopsTheTickButShowsTheNewNumber) {
    root_.write("nf_e/envio/a-nfe.xml", nfe(std::string("NFe") + kKey));
    const auto before = readFile(root_.path() / "config.ini");
    fs::permissions(root_.path() / "config.ini", fs::perms::owner_read);
    EXPECT_EQ(tick(), "Incapaz de gravar para " + root_.text() + "\\config.ini");
    EXPECT_EQ(state_.batch(), "205");
    EXPECT_EQ(readFile(root_.path() / "config.ini"), before);
    EXPECT_TRUE(fs::exists(exchange() / "envio/a-nfe.xml"));
}

TEST_F(HostileInputTest, BadCountersStopBeforeAnythingIsWritten) {
    root_.write("nf_e/envio/a-nfe.xml", nfe(std::string("NFe") + kKey));
    state_.setText(StateField::Batch, "abc");
    EXPECT_EQ(tick(), "'abc' n\xE3o \xE9 um valor inteiro v\xE1lido");
    state_.setText(StateField::Batch, "2147483647");
    EXPECT_NE(tick().find("'2147483647'"), std::string::npos);
    EXPECT_EQ(state_.batch(), "2147483647");
    EXPECT_EQ(listFolder(exchange() / "retorno"), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(exchange() / "envio/a-nfe.xml"));
}

TEST_F(HostileInputTest, MissingSampleErrorFilesAreSkippedWithAWarning) {
    fs::remove(root_.path() / "erro_layout.err");
    state_.setReturnKind(ReturnKind::SchemaFailure);
    root_.write("nf_e/envio/a-nfe.xml", nfe(std::string("NFe") + kKey));
    EXPECT_EQ(tickWarnings(),
              std::vector<std::string>{"N\xE3o foi poss\xEDvel copiar " + root_.text() +
                                       "\\erro_layout.err para " + root_.text() +
                                       "\\nf_e\\retorno\\" + kKey + "-nfe.err"});
    EXPECT_EQ(listFolder(exchange() / "retorno"), std::vector<std::string>{});
    EXPECT_EQ(listFolder(exchange() / "backup/Autorizados/200901"),
              std::vector<std::string>{"a-nfe.xml"});
    EXPECT_FALSE(fs::exists(exchange() / "envio/a-nfe.xml"));
}

TEST_F(HostileInputTest, UnusualButLegalNamesAreAnswered) {
    root_.write("nf_e/envio/S\xC3\xA3o Jo\xC3\xA3o & Cia-nfe.xml", nfe(std::string("NFe") + kKey));
    EXPECT_EQ(tick(), "");
    const auto record = readFile(exchange() / "lotes/420000000159093-lote-rec.xml");
    EXPECT_NE(record.find("<ArquivoNFe>Sao Joao &amp; Cia-nfe.xml</ArquivoNFe>"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(exchange() / testing::utf8Path("backup/Autorizados/200901/"
                                                          "S\xC3\xA3o Jo\xC3\xA3o & Cia-nfe.xml")));
    EXPECT_EQ(listFolder(exchange() / "envio"), std::vector<std::string>{});
}

#ifndef _WIN32
// Names only other systems can hold: Windows could not have written them.
TEST_F(HostileInputTest, NamesWindowsRefusesAreLeftAlone) {
    root_.write("nf_e/envio/a?b-nfe.xml", nfe("NFe1"));
    // A backslash in a name here would turn into a separator and climb out of envio.
    root_.write("nf_e/envio/b\\..\\..\\..\\fora-nfe.xml", nfe("NFe2"));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(tick(), "");
        EXPECT_EQ(listFolder(exchange() / "envio"),
                  (std::vector<std::string>{"a?b-nfe.xml", "b\\..\\..\\..\\fora-nfe.xml"}));
    }
    EXPECT_EQ(listFolder(exchange() / "retorno"), std::vector<std::string>{});
}
#endif

// An NF-e written with a namespace prefix: the copy declares the prefix its body uses.
TEST_F(HostileInputTest, APrefixedNfeIsArchivedWithItsPrefixDeclared) {
    root_.write("nf_e/envio/p-nfe.xml",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><nfe:NFe "
                "xmlns:nfe=\"http://www.portalfiscal.inf.br/nfe\" xmlns:x=\"urn:unused\">"
                "<nfe:infNFe Id=\"NFe" +
                    std::string(kKey) + "\" versao=\"1.10\"><nfe:ide/></nfe:infNFe></nfe:NFe>");
    EXPECT_EQ(tick(), "");
    EXPECT_TRUE(
        readFile(exchange() / "backup/Autorizados/200901/p-nfe.xml")
            .starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NFe "
                         "xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
                         "xmlns:nfe=\"http://www.portalfiscal.inf.br/nfe\"><nfe:infNFe Id="));
}

TEST_F(HostileInputTest, Utf16WithWideCharactersIsAnsweredWithQuestionMarks) {
    // No encoding in the declaration: a UTF-16 file that claimed UTF-8 would switch the
    // reader to single bytes half-way.
    const auto text = "<?xml version=\"1.0\"?><NFe><infNFe Id=\"NFe" + std::string(kKey) +
                      "\"><xProd>Caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87</xProd></infNFe></NFe>";
    std::string utf16 = "\xFF\xFE";
    std::u32string
        wide;  // decode the UTF-8 test text by hand: it holds é (2 bytes) and two CJK (3 bytes)
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = c;
        int length = 1;
        if (c >= 0xE0) {
            cp = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F),
            length = 3;
        } else if (c >= 0xC0) {
            cp = ((c & 0x1F) << 6) | (text[i + 1] & 0x3F), length = 2;
        }
        utf16.push_back(static_cast<char>(cp & 0xFF));
        utf16.push_back(static_cast<char>(cp >> 8));
        i += static_cast<std::size_t>(length);
    }
    root_.write("nf_e/envio/w-nfe.xml", utf16);
    EXPECT_EQ(tick(), "");
    const auto archive = readFile(exchange() / "backup/Autorizados/200901/w-nfe.xml");
    // In UTF-8, as the copy declares.
    EXPECT_NE(archive.find("<xProd>Caf\xC3\xA9 ?"
                           "?</xProd>"),
              std::string::npos);
}

TEST_F(HostileInputTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    std::string deep = "<NFe>";
    deep.reserve(5'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        deep += "<a>";
    }
    root_.write("nf_e/envio/d-nfe.xml", deep);
    EXPECT_FALSE(tick().empty());
    EXPECT_TRUE(fs::exists(exchange() / "envio/d-nfe.xml"));
}

TEST_F(HostileInputTest, HundredMegabyteRequestIsAnswered) {
    std::string body;
    const std::string item =
        "<det nItem=\"1\"><prod><cProd>0001</cProd><xProd>Parafuso "
        "sextavado</xProd><vProd>1.00</vProd>"
        "</prod></det>";
    body.reserve(100u << 20);
    while (body.size() < (100u << 20)) {
        body += item;
    }
    root_.write("nf_e/envio/g-nfe.xml", nfe(std::string("NFe") + kKey, body));
    body = {};
    EXPECT_EQ(tick(), "");
    EXPECT_GT(fs::file_size(exchange() / "backup/Autorizados/200901/g-nfe.xml"), 100u << 20);
    EXPECT_TRUE(fs::exists(exchange() / "retorno" / (std::string(kKey) + "-num-lot.xml")));
}

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// The heap in use must not grow from one failing tick to the next.
TEST_F(HostileInputTest, FailingTicksDoNotGrowTheHeap) {
    root_.write("nf_e/envio/q-ped-rec.xml", query("42000000099"));
    root_.write("nf_e/envio_lote/x-montar-lote.xml", "<l><a>x-nfe.xml</a></l>");
    for (int i = 0; i < 20; ++i) {
        tick();
    }
    const auto before = mallinfo2().uordblks;
    for (int i = 0; i < 500; ++i) {
        tick();
    }
    const auto after = mallinfo2().uordblks;
    EXPECT_LT(after, before + 16 * 1024) << "heap in use went from " << before << " to " << after;
}
#endif

// One list entry that cannot be part of a file name used to fail the whole list on
// every tick, burning a batch number each time and never batching the good NF-e.
TEST_F(HostileInputTest, AnUnsafeListEntryIsSkippedAndTheRestBatched) {
    const std::pair<const char*, const char*> entries[] = {
        {"..\\..\\fora-nfe.xml", "..\\..\\fora"},
        {"../../fora-nfe.xml", "../../fora"},
        {"x&#0;y-nfe.xml", "x\\0y"},
    };
    int batch = 204;
    for (const auto& [entry, shown] : entries) {
        SCOPED_TRACE(entry);
        root_.write("nf_e/backup/Autorizados/200901/good-nfe.xml", nfe("NFe1"));
        const std::string list = "<l><ArquivoNFe>" + std::string(entry) +
                                 "</ArquivoNFe><ArquivoNFe>good-nfe.xml</ArquivoNFe></l>";
        root_.write("nf_e/envio_lote/l-montar-lote.xml", list);
        const auto before = outside();
        EXPECT_EQ(tickWarnings(),
                  std::vector<std::string>{"A lista l-montar-lote.xml traz '" + std::string(shown) +
                                           "', que n\xE3o pode fazer parte de um nome de arquivo: "
                                           "entrada ignorada"});
        ++batch;
        EXPECT_EQ(state_.batch(), std::to_string(batch));
        EXPECT_EQ(listFolder(exchange() / "retorno"),
                  (std::vector<std::string>{"0000000" + engine::eightDigits(batch) + "-rec.xml",
                                            "good-num-lot.xml"}));
        EXPECT_EQ(listFolder(exchange() / "envio_lote"), std::vector<std::string>{});
        EXPECT_EQ(listFolder(exchange() / "tmp"), std::vector<std::string>{});
        EXPECT_EQ(outside(), before);
        for (const auto& name : listFolder(exchange() / "retorno")) {
            fs::remove(exchange() / "retorno" / name);
        }
    }
}

// With the schema-failure outcome only the error copy named after the key is left out
// (with a warning); the NF-e is archived and deleted as any other.
TEST_F(HostileInputTest, AnUnsafeKeyUnderSchemaFailureStillEndsTheRequest) {
    state_.setReturnKind(ReturnKind::SchemaFailure);
    const char* folders[] = {"envio", "envio_lote"};
    for (const char* folder : folders) {
        SCOPED_TRACE(folder);
        root_.write(std::string("nf_e/") + folder + "/a-nfe.xml", nfe("NFe..\\..\\fora"));
        const auto before = outside();
        EXPECT_EQ(tickWarnings(),
                  std::vector<std::string>{
                      "A requisi\xE7\xE3o a-nfe.xml traz '..\\..\\fora', que n\xE3o pode fazer "
                      "parte de um nome de arquivo: c\xF3pia de erro n\xE3o gerada"});
        EXPECT_FALSE(fs::exists(exchange() / folder / "a-nfe.xml"));
        EXPECT_EQ(listFolder(exchange() / "retorno"), std::vector<std::string>{});
        EXPECT_EQ(outside(), before);
    }
    // Sent on its own it is archived, held for a batch it is not (as with any key).
    EXPECT_EQ(listFolder(exchange() / "backup/Autorizados/200901"),
              std::vector<std::string>{"a-nfe.xml"});
}

// A copy that fails stays non-fatal but is told, so a client can learn that it is
// reading a stale answer.
TEST_F(HostileInputTest, AFailedCopyOntoAStaleAnswerIsToldByName) {
    root_.write("nf_e/backup/Autorizados/200901/k-nfe.xml", nfe("NFe1"));
    const auto stale = root_.write("nf_e/retorno/k-num-lot.xml", "<antigo/>");
    fs::permissions(stale, fs::perms::owner_read);
    root_.write("nf_e/envio_lote/l-montar-lote.xml", "<l><ArquivoNFe>k-nfe.xml</ArquivoNFe></l>");
    const auto warnings = tickWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "N\xE3o foi poss\xEDvel copiar " + root_.text() +
                               "\\nf_e\\tmp\\205-lote.xml para " + root_.text() +
                               "\\nf_e\\retorno\\k-num-lot.xml");
    EXPECT_EQ(readFile(stale), "<antigo/>");
    fs::permissions(stale, fs::perms::owner_all);
}

}  // namespace
}  // namespace kelmar
