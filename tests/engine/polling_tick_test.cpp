#include "engine/polling_tick.hpp"

#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "settings/settings_file.hpp"
#include "support/expect_throw.hpp"
#include "support/temporary_folder.hpp"

namespace kelmar::engine {
namespace {

using settings::StateField;

// Records which handler was called with which name, and can be told to fail.
class RecordingHandlers final : public RequestHandlers {
  public:
    std::vector<std::string> calls;
    bool failEnvio = false;
    // When set, each request is read through the context, as a real handler reads it,
    // and then left where it is, as when deleting it fails.
    EngineContext* readThrough = nullptr;

    void submitNfe(const std::string& name, DispatchRecord& r) override {
        record("submit", name, r);
    }
    void answerReceiptQuery(const std::string& name, DispatchRecord& r) override {
        record("query", name, r);
    }
    void cancelNfe(const std::string& name, DispatchRecord& r) override {
        record("cancel", name, r);
    }
    void voidNumbers(const std::string& name, DispatchRecord& r) override {
        record("void", name, r);
    }
    void holdNfe(const std::string& name, DispatchRecord& r) override { record("hold", name, r); }
    void assembleBatch(const std::string& name, DispatchRecord& r) override {
        record("assemble", name, r);
    }
    void registerEvents(const std::string& name, DispatchRecord& r) override {
        record("event", name, r);
    }
    void answerServiceStatus(const std::string& name, DispatchRecord& r) override {
        record("status", name, r);
    }
    void answerSituation(const std::string& name, DispatchRecord& r) override {
        record("situation", name, r);
    }

  private:
    // Every call writes one file into its record, named after the handler.
    void record(const std::string& what, const std::string& name, DispatchRecord& r) {
        calls.push_back(what + " " + name);
        if (readThrough != nullptr) {
            xml::XmlDocument document;
            readThrough->loadRequest(
                document, readThrough->layout().request(what == "hold" || what == "assemble"
                                                            ? RequestFolder::EnvioLote
                                                            : RequestFolder::Envio,
                                                        name));
        }
        r.filesWritten.push_back(what);
        if (failEnvio && what != "hold" && what != "assemble") {
            throw Error("falhou " + name);
        }
    }
};

// Keeps every record the tick hands over.
class RecordingObserver final : public TickObserver {
  public:
    std::vector<DispatchRecord> records;
    void requestHandled(const DispatchRecord& record) override { records.push_back(record); }
};

class PollingTickTest : public ::testing::Test {
  protected:
    PollingTickTest()
        : settingsFile_(folder_.text() + "\\config.ini", folder_.text() + "\\nf_e"),
          clock_({2009, 1, 16, 14, 50, 43, 551}),
          context_(state_, settingsFile_, clock_) {
        settingsFile_.load(state_);
        folder_.makeFolder("nf_e/envio");
        folder_.makeFolder("nf_e/envio_lote");
    }

    std::vector<std::string> tick() {
        PollingTick tick(context_, handlers_);
        tick.run();
        return std::exchange(handlers_.calls, {});
    }

    testing::TemporaryFolder folder_;
    settings::SettingsFile settingsFile_;
    settings::SimulatorState state_;
    platform::ManualClock clock_;
    EngineContext context_;
    RecordingHandlers handlers_;
};

TEST(RequestKindTest, ClassifiesByFirstFragmentFound) {
    struct Case {
        RequestFolder folder;
        const char* name;
        RequestKind kind;
    };
    const Case cases[] = {
        {RequestFolder::Envio, "1-nfe.xml", RequestKind::NFe},
        {RequestFolder::Envio, "1-ped-rec.xml", RequestKind::ReceiptQuery},
        {RequestFolder::Envio, "1-ped-can.xml", RequestKind::Cancellation},
        {RequestFolder::Envio, "1-ped-inu.xml", RequestKind::Voiding},
        {RequestFolder::Envio, "a-nfe.xml-ped-rec.xml", RequestKind::NFe},
        {RequestFolder::Envio, "a-ped-rec.xml-nfe.xml", RequestKind::NFe},
        {RequestFolder::Envio, "X-NFE.XML", RequestKind::Unrecognised},
        {RequestFolder::Envio, "1-montar-lote.xml", RequestKind::Unrecognised},
        {RequestFolder::Envio, "a-nfe.xml.bak", RequestKind::NFe},
        {RequestFolder::EnvioLote, "1-nfe.xml", RequestKind::NFe},
        {RequestFolder::EnvioLote, "1-montar-lote.xml", RequestKind::BatchList},
        {RequestFolder::EnvioLote, "1-ped-rec.xml", RequestKind::Unrecognised},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classifyRequest(c.folder, c.name), c.kind) << c.name;
    }
}

TEST(RequestKindTest, LabelsAreTheSendersOwn) {
    EXPECT_EQ(kindLabel(RequestKind::Voiding), "Inutiliza\xE7\xE3o");
    EXPECT_EQ(kindLabel(RequestKind::Unrecognised), "SEM-FORMATO");
    EXPECT_EQ(kindLabel(RequestKind::BatchList), "Lote NF-e");
}

TEST_F(PollingTickTest, EmptyFoldersDoNothing) {
    EXPECT_TRUE(tick().empty());
}

TEST_F(PollingTickTest, HandlesOneRequestFromEachFolderEnvioFirst) {
    folder_.write("nf_e/envio_lote/9-montar-lote.xml", "x");
    folder_.write("nf_e/envio/2-ped-rec.xml", "x");
    folder_.write("nf_e/envio/1-ped-can.xml", "x");
    EXPECT_EQ(tick(),
              (std::vector<std::string>{"cancel 1-ped-can.xml", "assemble 9-montar-lote.xml"}));
}

TEST_F(PollingTickTest, DispatchesEveryKindToItsHandler) {
    folder_.write("nf_e/envio/a-ped-inu.xml", "x");
    folder_.write("nf_e/envio_lote/a-nfe.xml", "x");
    EXPECT_EQ(tick(), (std::vector<std::string>{"void a-ped-inu.xml", "hold a-nfe.xml"}));
    folder_.write("nf_e/envio/b-nfe.xml-ped-rec.xml", "x");
    std::filesystem::remove(folder_.path() / "nf_e/envio/a-ped-inu.xml");
    std::filesystem::remove(folder_.path() / "nf_e/envio_lote/a-nfe.xml");
    EXPECT_EQ(tick(), (std::vector<std::string>{"submit b-nfe.xml-ped-rec.xml"}));
}

TEST_F(PollingTickTest, StrayFilesNeitherBlockNorGetTouched) {
    folder_.write("nf_e/envio/AAA-leia-me.xml", "x");
    folder_.write("nf_e/envio/X-NFE.XML", "x");
    folder_.write("nf_e/envio/zz-ped-rec.xml", "x");
    EXPECT_EQ(tick(), (std::vector<std::string>{"query zz-ped-rec.xml"}));
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "nf_e/envio/AAA-leia-me.xml"));
}

// A failing request in envio still lets envio_lote have its turn, and is tried again on
// later ticks with the requests behind it handled in between.
TEST_F(PollingTickTest, AFailingRequestHoldsBackNoOther) {
    folder_.write("nf_e/envio/1-nfe.xml", "x");
    folder_.write("nf_e/envio/2-nfe.xml", "x");
    folder_.write("nf_e/envio/3-nfe.xml", "x");
    folder_.write("nf_e/envio_lote/4-nfe.xml", "x");
    handlers_.failEnvio = true;
    PollingTick tick(context_, handlers_);
    const auto next = [&] {
        try {
            tick.run();
        } catch (const Error&) {
        }
        return std::exchange(handlers_.calls, {});
    };
    EXPECT_THROW_MSG(tick.run(), Error, "falhou 1-nfe.xml");
    EXPECT_EQ(std::exchange(handlers_.calls, {}),
              (std::vector<std::string>{"submit 1-nfe.xml", "hold 4-nfe.xml"}));
    // Nothing is deleted by these handlers: each turn after a failure starts behind it.
    EXPECT_EQ(next(), (std::vector<std::string>{"submit 2-nfe.xml", "hold 4-nfe.xml"}));
    EXPECT_EQ(next(), (std::vector<std::string>{"submit 3-nfe.xml", "hold 4-nfe.xml"}));
    EXPECT_EQ(next(), (std::vector<std::string>{"submit 1-nfe.xml", "hold 4-nfe.xml"}));
}

// A request answered that could not be deleted is not answered again while it stays as
// it is: said once, then passed over; once rewritten, it is a new request.
TEST_F(PollingTickTest, AnAnsweredRequestThatStaysIsNotAnsweredAgain) {
    folder_.write("nf_e/envio/1-nfe.xml", "<NFe/>");
    folder_.write("nf_e/envio/2-nfe.xml", "<NFe/>");
    handlers_.readThrough = &context_;
    PollingTick tick(context_, handlers_);
    RecordingObserver observer;
    tick.run(&observer);
    ASSERT_EQ(observer.records.size(), 1u);
    EXPECT_EQ(observer.records[0].warnings,
              std::vector<std::string>{"envio/1-nfe.xml foi respondida, mas n\xE3o pode ser "
                                       "apagada: n\xE3o ser\xE1 respondida de novo enquanto "
                                       "estiver como est\xE1"});
    tick.run(&observer);
    tick.run(&observer);
    EXPECT_EQ(std::exchange(handlers_.calls, {}),
              (std::vector<std::string>{"submit 1-nfe.xml", "submit 2-nfe.xml"}));
    folder_.write("nf_e/envio/1-nfe.xml", "<NFe><novo/></NFe>");
    tick.run(&observer);
    EXPECT_EQ(handlers_.calls, (std::vector<std::string>{"submit 1-nfe.xml"}));
}

TEST_F(PollingTickTest, ExchangeFolderIsReadAfreshOnEveryTick) {
    folder_.write("other/envio/1-nfe.xml", "x");
    EXPECT_TRUE(tick().empty());
    state_.setText(StateField::ExchangeFolder, folder_.text() + "\\other\\");
    EXPECT_EQ(tick(), (std::vector<std::string>{"submit 1-nfe.xml"}));
}

TEST_F(PollingTickTest, ObserversGetOneRecordPerRequestHandled) {
    folder_.write("nf_e/envio/1-ped-can.xml", "x");
    folder_.write("nf_e/envio_lote/2-nfe.xml", "x");
    folder_.write("nf_e/envio_lote/3-leia-me.xml", "x");
    RecordingObserver observer;
    PollingTick tick(context_, handlers_);
    tick.run(&observer);
    ASSERT_EQ(observer.records.size(), 2u);
    EXPECT_EQ(observer.records[0].folder, RequestFolder::Envio);
    EXPECT_EQ(observer.records[0].name, "1-ped-can.xml");
    EXPECT_EQ(observer.records[0].kind, RequestKind::Cancellation);
    EXPECT_EQ(observer.records[0].filesWritten, std::vector<std::string>{"cancel"});
    EXPECT_EQ(observer.records[1].folder, RequestFolder::EnvioLote);
    EXPECT_EQ(observer.records[1].name, "2-nfe.xml");
    EXPECT_EQ(observer.records[1].kind, RequestKind::NFe);
    EXPECT_EQ(observer.records[1].filesWritten, std::vector<std::string>{"hold"});

    // Each dispatch starts a fresh record: nothing of the last one carries over.
    const auto record = tick.dispatch(RequestFolder::Envio, RequestKind::Voiding, "4-ped-inu.xml");
    EXPECT_EQ(record.filesWritten, std::vector<std::string>{"void"});
    EXPECT_TRUE(record.handOuts.empty());
    EXPECT_TRUE(record.warnings.empty());
}

TEST_F(PollingTickTest, AdvanceSavesTheSettingsAndRecordsTheNumber) {
    DispatchRecord record;
    EXPECT_EQ(context_.advanceAndSave(StateField::Batch, record), 205);
    EXPECT_EQ(context_.advanceAndSave(StateField::Protocol, record), 589901);
    EXPECT_EQ(state_.batch(), "205");
    settings::SimulatorState reloaded;
    settingsFile_.load(reloaded);
    EXPECT_EQ(reloaded.batch(), "205");
    EXPECT_EQ(reloaded.protocol(), "589901");
    ASSERT_EQ(record.handOuts.size(), 2u);
    EXPECT_EQ(record.handOuts[0].counter, StateField::Batch);
    EXPECT_EQ(record.handOuts[0].value, 205);
    EXPECT_EQ(record.handOuts[1].counter, StateField::Protocol);
    EXPECT_EQ(record.handOuts[1].value, 589901);
}

TEST_F(PollingTickTest, ArchiveFoldersFollowTheMonth) {
    folder_.makeFolder("nf_e/backup");
    context_.ensureArchiveFolders(ArchiveFolders::WithoutDeniedMonth);
    EXPECT_EQ(testing::listFolder(folder_.path() / "nf_e/backup/Autorizados"),
              (std::vector<std::string>{"200901"}));
    EXPECT_TRUE(testing::listFolder(folder_.path() / "nf_e/backup/Denegados").empty());
    EXPECT_TRUE(std::filesystem::is_directory(folder_.path() / "nf_e/backup/Denegados"));

    clock_.set({2009, 2, 1, 0, 0, 0, 0});
    context_.ensureArchiveFolders(ArchiveFolders::All);
    EXPECT_EQ(testing::listFolder(folder_.path() / "nf_e/backup/Autorizados"),
              (std::vector<std::string>{"200901", "200902"}));
    EXPECT_EQ(testing::listFolder(folder_.path() / "nf_e/backup/Denegados"),
              (std::vector<std::string>{"200902"}));
}

TEST_F(PollingTickTest, ArchiveFoldersAreNotMadeWithoutBackup) {
    context_.ensureArchiveFolders(ArchiveFolders::All);
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "nf_e/backup"));
}

}  // namespace
}  // namespace kelmar::engine
