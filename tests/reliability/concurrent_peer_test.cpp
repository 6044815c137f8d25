// The hostile-input catalogue, second part: peers that act while the tool works. Another
// program replaces a request mid-tick, holds the settings open, runs a second simulator
// on the same folder, swaps a FIFO or a link in, or sends a request too large for memory.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <new>

#include "engine/engine_context.hpp"
#include "engine/instance_claim.hpp"
#include "engine/request_handlers.hpp"
#include "support/exchange_fixture.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kelmar {
namespace {

namespace fs = std::filesystem;
using settings::StateField;
using testing::listFolder;
using testing::readFile;

constexpr const char* kKeyA = "42090112345678000190550010000000011000000010";
constexpr const char* kKeyB = "42090112345678000190550010000000021000000020";
constexpr const char* kCannotOpen = "N\xE3o \xE9 poss\xEDvel abrir o arquivo ";

std::string nfe(std::string_view key) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NFe><infNFe Id=\"NFe" + std::string(key) +
           "\" versao=\"1.10\"><ide><cUF>42</cUF></ide></infNFe></NFe>\n";
}

// A clock that runs a peer's action the second time the engine asks for the time: the
// first is when the request is begun (its month), the second comes after the request was
// read and before it is deleted, as every NF-e answer is dated.
class PeerClock final : public platform::Clock {
  public:
    explicit PeerClock(std::function<void()> action) : action_(std::move(action)) {}
    platform::LocalDateTime now() const override {
        if (action_ && ++calls_ == 2) {
            std::exchange(action_, nullptr)();
        }
        return {2009, 1, 16, 14, 50, 43, 551};
    }

  private:
    mutable std::function<void()> action_;
    mutable int calls_ = 0;
};

class ConcurrentPeerTest : public testing::ExchangeFixture {
  protected:
    std::string configText(const fs::path& folder, std::string_view batch = "300") const {
        return "[NFE]\nLOTE=" + std::string(batch) +
               "\nRECIBO=400\nPROTOCOLO=500\nPASTA=" + folder.string() + "\n";
    }
    engine::Simulator simulator(const std::string& settingsName) const {
        return engine::Simulator(
            settings::SettingsFile(root_.text() + "\\" + settingsName, root_.text() + "\\nf_e"),
            clock_, root_.text());
    }
    // Runs one tick of a simulator; the error's message, or empty text.
    static std::string tickOf(engine::Simulator& simulator) {
        try {
            simulator.tick().run();
            return {};
        } catch (const Error& error) {
            return error.what();
        }
    }
};

struct Replacement {
    const char* title;
    std::function<void(const fs::path& request)> replace;
};

// A request renamed over, or rewritten, while its tick runs is not deleted unread: the
// first version is answered, the second stays for the next tick.
TEST_F(ConcurrentPeerTest, ARequestReplacedMidTickIsKeptForTheNextTick) {
    const Replacement cases[] = {
        {"renamed over",
         [&](const fs::path& request) {
             put("envio/.incoming", nfe(kKeyB));
             fs::rename(path("envio/.incoming"), request);
         }},
        {"rewritten in place",
         [&](const fs::path& request) {
             std::ofstream rewrite(request, std::ios::trunc);
             rewrite << nfe(kKeyB) << "<!-- reescrito -->";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        for (const char* sub : {"envio", "envio_lote", "retorno", "lotes", "tmp", "backup"}) {
            fs::remove_all(path(sub));
            fs::create_directory(path(sub));
        }
        put("envio/a-nfe.xml", nfe(kKeyA));
        PeerClock clock([&] { c.replace(path("envio/a-nfe.xml")); });
        engine::EngineContext context(state_, settingsFile_, clock, root_.text());
        auto handlers = engine::makeRequestHandlers(context);
        engine::PollingTick tick(context, *handlers);
        tick.run();
        EXPECT_TRUE(fs::exists(path(std::string("retorno/") + kKeyA + "-num-lot.xml")));
        ASSERT_TRUE(fs::exists(path("envio/a-nfe.xml"))) << "deleted unread";
        EXPECT_NE(file("envio/a-nfe.xml").find(kKeyB), std::string::npos);
        tick.run();
        EXPECT_TRUE(fs::exists(path(std::string("retorno/") + kKeyB + "-num-lot.xml")));
        EXPECT_FALSE(fs::exists(path("envio/a-nfe.xml")));
    }
}

// New Year during a tick: the NF-e and its second copy are filed under one month, the
// one the request was begun in, however late in the tick the copies are made.
TEST_F(ConcurrentPeerTest, ARequestIsFiledUnderOneMonthAcrossNewYear) {
    class NewYearClock final : public platform::Clock {
      public:
        platform::LocalDateTime now() const override {
            return calls_++ == 0 ? platform::LocalDateTime{2009, 12, 31, 23, 59, 59, 999}
                                 : platform::LocalDateTime{2010, 1, 1, 0, 0, 0, 0};
        }

      private:
        mutable int calls_ = 0;
    };
    put("envio/a-nfe.xml", nfe(kKeyA));
    NewYearClock clock;
    engine::EngineContext context(state_, settingsFile_, clock, root_.text());
    auto handlers = engine::makeRequestHandlers(context);
    engine::PollingTick tick(context, *handlers);
    tick.run();
    EXPECT_EQ(list("backup/Autorizados"), std::vector<std::string>{"200912"});
    EXPECT_EQ(list("backup/Denegados"), std::vector<std::string>{"200912"});
    EXPECT_EQ(list("backup/Denegados/200912"), std::vector<std::string>{"a-nfe.xml"});
    EXPECT_FALSE(fs::exists(path("envio/a-nfe.xml")));
}

// Settings held open by an editor or a script: nothing is answered while they are
// held, then the file's own folder and counters are used.
TEST_F(ConcurrentPeerTest, SettingsHeldOpenAtStartAnswerNothingUntilReleased) {
    const auto config = root_.write("held.ini", configText(exchange()));
    put("envio/a-nfe.xml", nfe(kKeyA));
    auto peer = std::make_unique<std::ofstream>(config, std::ios::app);
    ASSERT_TRUE(peer->is_open());
    auto runner = simulator("held.ini");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tickOf(runner), kCannotOpen + root_.text() + "\\held.ini");
    }
    EXPECT_TRUE(list("retorno").empty());
    EXPECT_TRUE(fs::exists(path("envio/a-nfe.xml")));
    EXPECT_EQ(readFile(config), configText(exchange()));
    peer.reset();
    EXPECT_EQ(tickOf(runner), "");
    EXPECT_EQ(runner.state().batch(), "301");
    EXPECT_EQ(runner.state().receipt(), "401");
    EXPECT_TRUE(fs::exists(path(std::string("retorno/") + kKeyA + "-num-lot.xml")));
}

TEST_F(ConcurrentPeerTest, OneSimulatorPerExchangeFolderAndPerSettingsFile) {
    root_.write("first.ini", configText(exchange()));
    root_.write("second.ini", configText(exchange(), "900"));
    put("envio/a-nfe.xml", nfe(kKeyA));
    auto first = simulator("first.ini");
    EXPECT_EQ(tickOf(first), "");

    // Another settings file, the same folder: refused before anything is touched.
    put("envio/b-nfe.xml", nfe(kKeyB));
    auto second = simulator("second.ini");
    const auto pid = std::to_string(::getpid());
    EXPECT_EQ(tickOf(second), "A pasta " + exchange().string() +
                                  " j\xE1 est\xE1 sendo atendida por outro kelmar-sim (processo " +
                                  pid + ")");
    EXPECT_THROW(second.prepare(), engine::AlreadyServedError);
    EXPECT_TRUE(fs::exists(path("envio/b-nfe.xml")));
    EXPECT_EQ(second.state().batch(), "900");
    EXPECT_EQ(readFile(root_.path() / "second.ini"), configText(exchange(), "900"));

    // The same settings file, whatever folder: refused as well.
    auto third = simulator("first.ini");
    third.state().setText(StateField::ExchangeFolder, root_.text() + "\\elsewhere");
    EXPECT_EQ(tickOf(third), "O arquivo " + root_.text() + "\\first.ini" +
                                 " j\xE1 est\xE1 sendo usado por outro kelmar-sim (processo " +
                                 pid + ")");

    // The lock follows the folder: once the first moves away, the second may serve it.
    root_.makeFolder("other");
    first.state().setText(StateField::ExchangeFolder, root_.text() + "\\other");
    EXPECT_EQ(tickOf(first), "");
    EXPECT_EQ(tickOf(second), "");
    EXPECT_EQ(second.state().batch(), "901");
    EXPECT_FALSE(fs::exists(path("envio/b-nfe.xml")));
}

#ifdef _WIN32
// Windows keeps the folder being served, and its lock file, from being deleted or
// renamed, so no other folder can take its place.
TEST_F(ConcurrentPeerTest, AServedFolderCannotBeReplaced) {
    root_.write("first.ini", configText(exchange()));
    auto first = simulator("first.ini");
    ASSERT_EQ(tickOf(first), "");
    std::error_code error;
    fs::remove(exchange() / ".kelmar.lock", error);
    EXPECT_TRUE(error) << "the lock file was deleted";
    fs::rename(exchange(), root_.path() / "moved", error);
    EXPECT_TRUE(error) << "the folder was renamed";
    EXPECT_EQ(tickOf(first), "");
}
#else
// The lock is bound to the folder it was taken in: when that folder or its lock file is
// deleted and made again under a running simulator, a second one may take the new
// folder, and the first stops serving it (saying so) instead of serving it alongside.
TEST_F(ConcurrentPeerTest, ALostFolderLockStopsTheSimulatorThatHeldIt) {
    const std::pair<const char*, std::function<void()> > losses[] = {
        {"the folder made again",
         [&] {
             fs::remove_all(exchange());
             for (const auto sub : engine::subfolderNames()) {
                 fs::create_directories(exchange() / std::string(sub));
             }
         }},
        {"the lock file deleted", [&] { fs::remove(exchange() / ".kelmar.lock"); }},
    };
    for (const auto& [title, lose] : losses) {
        SCOPED_TRACE(title);
        fs::remove_all(path("envio"));
        fs::create_directory(path("envio"));
        root_.write("first.ini", configText(exchange()));
        root_.write("second.ini", configText(exchange(), "900"));
        auto first = simulator("first.ini");
        ASSERT_EQ(tickOf(first), "");
        lose();
        put("envio/a-nfe.xml", nfe(kKeyA));
        auto second = simulator("second.ini");
        EXPECT_EQ(tickOf(second), "");
        EXPECT_EQ(second.state().batch(), "901");
        EXPECT_EQ(tickOf(first),
                  "A reserva da pasta " + exchange().string() +
                      " foi perdida (a pasta ou o seu .kelmar.lock foi apagado ou trocado): nada "
                      "\xE9 atendido at\xE9 que ela seja reservada de novo");
        put("envio/b-nfe.xml", nfe(kKeyB));
        EXPECT_NE(tickOf(first).find("j\xE1 est\xE1 sendo atendida por outro kelmar-sim"),
                  std::string::npos);
        EXPECT_EQ(first.state().batch(), "300");
        EXPECT_TRUE(fs::exists(path("envio/b-nfe.xml")));
    }
}
#endif

// A folder where no lock can be made is not served at all (here its lock file's name is
// taken by a folder, as a top folder the user cannot write to would refuse it).
TEST_F(ConcurrentPeerTest, AFolderThatCannotBeLockedIsNotServed) {
    fs::create_directory(exchange() / ".kelmar.lock");
    root_.write("first.ini", configText(exchange()));
    put("envio/a-nfe.xml", nfe(kKeyA));
    auto runner = simulator("first.ini");
    const auto error = tickOf(runner);
    EXPECT_TRUE(
        error.starts_with("N\xE3o \xE9 poss\xEDvel reservar a pasta " + exchange().string() + ": "))
        << error;
    EXPECT_TRUE(fs::exists(path("envio/a-nfe.xml")));
    EXPECT_TRUE(list("retorno").empty());
    fs::remove(exchange() / ".kelmar.lock");
    EXPECT_EQ(tickOf(runner), "");
    EXPECT_FALSE(fs::exists(path("envio/a-nfe.xml")));
}

#ifndef _WIN32
// A FIFO swapped in between the search and the open: refused at once, kept in place.
TEST_F(ConcurrentPeerTest, AFifoSwappedInAfterTheSearchNeverBlocksTheTick) {
    ASSERT_EQ(::mkfifo(path("envio/x-nfe.xml").c_str(), 0644), 0);
    // The handler itself, as the tick calls it once the name was found.
    engine::EngineContext context(state_, settingsFile_, clock_, root_.text());
    const auto handlers = engine::makeRequestHandlers(context);
    auto answering = std::async(std::launch::async, [&] {
        try {
            engine::DispatchRecord record;
            handlers->submitNfe("x-nfe.xml", record);
            return std::string();
        } catch (const Error& error) {
            return std::string(error.what());
        }
    });
    if (answering.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        const int writer = ::open(path("envio/x-nfe.xml").c_str(), O_WRONLY | O_NONBLOCK);
        answering.wait();
        ::close(writer);
        FAIL() << "the handler blocked on a FIFO";
    }
    EXPECT_EQ(answering.get(), kCannotOpen + root_.text() + "\\nf_e\\envio\\x-nfe.xml");
    EXPECT_TRUE(list("retorno").empty());
    EXPECT_EQ(state_.batch(), "204");
}

// A request that is a link is passed over: a file outside the folder is never read,
// archived or deleted through it.
TEST_F(ConcurrentPeerTest, ALinkedRequestIsPassedOver) {
    const auto outside = root_.write("private/secret-nfe.xml", nfe(kKeyA));
    fs::create_symlink(outside, path("envio/a-nfe.xml"));
    EXPECT_EQ(tick(), "");
    EXPECT_TRUE(list("retorno").empty());
    EXPECT_TRUE(list("backup").empty());
    EXPECT_TRUE(fs::is_symlink(path("envio/a-nfe.xml")));
    EXPECT_EQ(readFile(outside), nfe(kKeyA));
}
#endif

// Handlers that run out of memory, as a huge request would make them.
class StarvedHandlers final : public engine::RequestHandlers {
  public:
    void submitNfe(const std::string&, engine::DispatchRecord&) override { throw std::bad_alloc(); }
    void answerReceiptQuery(const std::string&, engine::DispatchRecord&) override {}
    void cancelNfe(const std::string&, engine::DispatchRecord&) override {}
    void voidNumbers(const std::string&, engine::DispatchRecord&) override {}
    void holdNfe(const std::string&, engine::DispatchRecord&) override {}
    void assembleBatch(const std::string&, engine::DispatchRecord&) override {}
    void registerEvents(const std::string&, engine::DispatchRecord&) override {}
    void answerServiceStatus(const std::string&, engine::DispatchRecord&) override {}
    void answerSituation(const std::string&, engine::DispatchRecord&) override {}
};

TEST_F(ConcurrentPeerTest, RunningOutOfMemoryNamesTheRequestAndItsSize) {
    put("envio/big-nfe.xml", std::string(12345, ' '));
    StarvedHandlers starved;
    engine::EngineContext context(state_, settingsFile_, clock_, root_.text());
    engine::PollingTick starvedTick(context, starved);
    try {
        starvedTick.run();
        FAIL() << "no error raised";
    } catch (const Error& error) {
        EXPECT_EQ(
            std::string(error.what()),
            "Mem\xF3ria insuficiente para a requisi\xE7\xE3o envio/big-nfe.xml (12345 bytes)");
    }
    EXPECT_TRUE(fs::exists(path("envio/big-nfe.xml")));
}

}  // namespace
}  // namespace kelmar
