#include "settings/settings_file.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "platform/error.hpp"
#include "settings/settings_location.hpp"
#include "support/expect_throw.hpp"
#include "support/temporary_folder.hpp"

namespace kelmar::settings {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TemporaryFolder;

class SettingsFileTest : public ::testing::Test {
  protected:
    SettingsFile file() const {
        return SettingsFile(folder_.text() + "\\config.ini", "C:\\Quelmont\\nf_e");
    }

    TemporaryFolder folder_;
};

TEST_F(SettingsFileTest, MissingFileShowsTheDefaults) {
    SimulatorState state;
    file().load(state);
    EXPECT_EQ(state.batch(), "204");
    EXPECT_EQ(state.receipt(), "159092");
    EXPECT_EQ(state.protocol(), "589900");
    EXPECT_EQ(state.exchangeFolder(), "C:\\Quelmont\\nf_e");
    EXPECT_FALSE(fs::exists(folder_.path() / "config.ini"));
}

// A file cut to nothing by a crash is not taken for a missing one: starting again from
// the defaults would hand out every number a second time.
TEST_F(SettingsFileTest, AnEmptyFileIsAnErrorNotTheDefaults) {
    folder_.write("config.ini", "");
    SimulatorState state;
    state.setText(StateField::Batch, "antes");
    try {
        file().load(state);
        FAIL() << "no error raised";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "O arquivo " + folder_.text() +
                                                 "\\config.ini est\xE1 vazio: apague-o para "
                                                 "come\xE7"
                                                 "ar com os valores padr\xE3o");
    }
    EXPECT_EQ(state.batch(), "antes");
}

TEST_F(SettingsFileTest, SaveAndLoadRoundTripAllFourTexts) {
    SimulatorState state;
    state.setText(StateField::Batch, "1000");
    state.setText(StateField::Receipt, "abc");
    state.setText(StateField::Protocol, "7");
    state.setText(StateField::ExchangeFolder, "D:\\S\xE3o Paulo\\nf_e\\");
    file().save(state);
    SimulatorState loaded;
    file().load(loaded);
    for (int i = 0; i < kStateFieldCount; ++i) {
        EXPECT_EQ(loaded.text(static_cast<StateField>(i)), state.text(static_cast<StateField>(i)));
    }
    const auto content = readFile(folder_.path() / "config.ini");
    EXPECT_NE(content.find("PASTA=D:\\S\xE3o Paulo\\nf_e\\"), std::string::npos);
    EXPECT_LT(content.find("LOTE="), content.find("RECIBO="));
    EXPECT_LT(content.find("PROTOCOLO="), content.find("PASTA="));
}

// The file is read again only when it is another version; a version changed so lately
// that a same-size edit could keep its time (coarse file-system clocks) is never trusted.
TEST_F(SettingsFileTest, ReadsAgainOnlyWhatChanged) {
    const auto settings = file();
    const auto path = folder_.path() / "config.ini";
    folder_.write("config.ini", "[CENARIOS]\nPADRAO=autorizado\n");
    const auto hourAgo = fs::last_write_time(path) - std::chrono::hours(1);
    fs::last_write_time(path, hourAgo);
    const auto first = settings.read();
    EXPECT_EQ(settings.read(), first) << "an unchanged file is not read again";

    // The same size, in place, the same time: only a fresh version can look like this.
    folder_.write("config.ini", "[CENARIOS]\nPADRAO=denegado!!\n");
    const auto fresh = settings.read();
    EXPECT_EQ(fresh->read("CENARIOS", "PADRAO", ""), "denegado!!");
    const auto stamp = fs::last_write_time(path);
    std::ofstream(path, std::ios::binary | std::ios::in) << "[CENARIOS]\nPADRAO=rejeitado!";
    fs::last_write_time(path, stamp);
    const auto racy = settings.read();
    EXPECT_EQ(racy->read("CENARIOS", "PADRAO", ""), "rejeitado!");
    // Too fresh to be trusted, so read again, but the same bytes are not parsed again.
    const auto before = settings.readings();
    EXPECT_EQ(settings.read(), racy);
    EXPECT_EQ(settings.readings(), before);

    // A save keeps its own version: the other sections are not read again for it.
    SimulatorState state;
    settings.save(state);
    const auto readings = settings.readings();
    EXPECT_EQ(settings.read()->read("CENARIOS", "PADRAO", ""), "rejeitado!");
    EXPECT_EQ(settings.readings(), readings);

    // Rewritten in place just after a save, at the same size and time stamp: the saved
    // version is trusted only while nothing has touched it.
    for (const char* edit : {"Rejeitado!", "rejeitadO!"}) {
        settings.save(state);
        auto edited = readFile(path);
        edited.replace(edited.find("rejeitado!"), 10, edit);
        const auto savedAt = fs::last_write_time(path);
        std::ofstream(path, std::ios::binary | std::ios::in) << edited;
        fs::last_write_time(path, savedAt);
        EXPECT_EQ(settings.read()->read("CENARIOS", "PADRAO", ""), edit);
        folder_.write("config.ini", "[CENARIOS]\nPADRAO=rejeitado!\n");
        EXPECT_EQ(settings.read()->read("CENARIOS", "PADRAO", ""), "rejeitado!");
    }
}

TEST_F(SettingsFileTest, FileWrittenOnWindowsLoadsUnchangedAndKeepsItsOtherLines) {
    folder_.write("config.ini",
                  "[Janela]\r\nTopo=10\r\n\r\n[nfe]\r\nLote=300\r\nrecibo=400\r\n"
                  "Protocolo=500\r\npasta=C:\\Quelmont\\nf_e\r\n");
    SimulatorState state;
    file().load(state);
    EXPECT_EQ(state.batch(), "300");
    EXPECT_EQ(state.exchangeFolder(), "C:\\Quelmont\\nf_e");
    state.setText(StateField::Batch, "301");
    file().save(state);
    EXPECT_EQ(readFile(folder_.path() / "config.ini"),
              "[Janela]\r\nTopo=10\r\n\r\n[nfe]\r\nLOTE=301\r\nRECIBO=400\r\n"
              "PROTOCOLO=500\r\nPASTA=C:\\Quelmont\\nf_e\r\n");
}

TEST_F(SettingsFileTest, RefusedWritesRaiseAndLeaveTheFileWhole) {
    SimulatorState state;
    file().load(state);
    file().save(state);
    const auto before = readFile(folder_.path() / "config.ini");
    fs::permissions(folder_.path() / "config.ini", fs::perms::owner_read);
    state.setText(StateField::Batch, "999");
    EXPECT_THROW_MSG(file().save(state), Error,
                     "Incapaz de gravar para " + folder_.text() + "\\config.ini");
    EXPECT_EQ(readFile(folder_.path() / "config.ini"), before);

    const SettingsFile nowhere(folder_.text() + "\\missing\\config.ini", "x");
    EXPECT_THROW_MSG(nowhere.save(state), Error,
                     "Incapaz de gravar para " + folder_.text() + "\\missing\\config.ini");
}

TEST_F(SettingsFileTest, AByteOrderMarkIsReadAndKept) {
    folder_.write("config.ini",
                  "\xEF\xBB\xBF[NFE]\r\nLOTE=300\r\nRECIBO=400\r\nPROTOCOLO=500\r\n"
                  "PASTA=D:\\nf_e\r\n");
    SimulatorState state;
    file().load(state);
    EXPECT_EQ(state.batch(), "300");
    EXPECT_EQ(state.exchangeFolder(), "D:\\nf_e");
    state.setText(StateField::Batch, "301");
    file().save(state);
    EXPECT_EQ(readFile(folder_.path() / "config.ini"),
              "\xEF\xBB\xBF[NFE]\r\nLOTE=301\r\nRECIBO=400\r\nPROTOCOLO=500\r\nPASTA=D:\\nf_e\r\n");
}

#ifndef _WIN32
TEST_F(SettingsFileTest, ALinkedFileIsSavedThroughToItsTarget) {
    const auto target = folder_.write("shared/real.ini", "[NFE]\nLOTE=10\n");
    fs::create_symlink(target, folder_.path() / "config.ini");
    SimulatorState state;
    file().load(state);
    EXPECT_EQ(state.batch(), "10");
    state.setText(StateField::Batch, "11");
    file().save(state);
    EXPECT_TRUE(fs::is_symlink(folder_.path() / "config.ini"));
    EXPECT_NE(readFile(target).find("LOTE=11\n"), std::string::npos);
    EXPECT_EQ(testing::listFolder(folder_.path() / "shared"),
              (std::vector<std::string>{"real.ini"}));
}

TEST_F(SettingsFileTest, AWritableFileInAClosedFolderIsSavedInPlace) {
    // Longer than what it becomes: the old tail is cut once the new content is written.
    folder_.write("config.ini",
                  "[NFE]\nLOTE=10\nRECIBO=1\nPROTOCOLO=2\nPASTA=" + std::string(300, 'y') + "\n");
    fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    SimulatorState state;
    file().load(state);
    state.setText(StateField::Batch, "11");
    state.setText(StateField::ExchangeFolder, "C:\\x");
    EXPECT_NO_THROW(file().save(state));
    fs::permissions(folder_.path(), fs::perms::owner_all);
    EXPECT_EQ(readFile(folder_.path() / "config.ini"),
              "[NFE]\nLOTE=11\nRECIBO=1\nPROTOCOLO=2\nPASTA=C:\\x\n");
}
#endif

// Held open for writing by another program (an editor, a script writing the counters):
// an error naming the file, never the defaults in silence.
TEST_F(SettingsFileTest, AFileHeldOpenForWritingIsAnErrorNotMissing) {
    const auto path = folder_.write("config.ini", "[NFE]\nLOTE=300\nPASTA=D:\\nf_e\n");
    SimulatorState state;
    state.setText(StateField::Batch, "antes");
    {
        std::ofstream peer(path, std::ios::app);
        ASSERT_TRUE(peer.is_open());
        try {
            file().load(state);
            FAIL() << "no error raised";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "N\xE3o \xE9 poss\xEDvel abrir o arquivo " + folder_.text() + "\\config.ini");
        }
        EXPECT_EQ(state.batch(), "antes");
    }
    file().load(state);
    EXPECT_EQ(state.batch(), "300");
    EXPECT_EQ(state.exchangeFolder(), "D:\\nf_e");
}

TEST(SettingsLocationTest, InstalledProgramsUseTheUsersConfigFolder) {
#ifdef _WIN32
    const std::string program = "C:\\Program Files\\kelmar-sim";
    const std::string user = "C:\\Users\\Jo\xE3o\\AppData\\Roaming";
    const std::string besideProgram = program + "\\config.ini";
    const std::string forUser = user + "\\kelmar-sim\\config.ini";
#else
    const std::string program = "/opt/k";
    const std::string user = "/home/u/.config";
    const std::string besideProgram = "/opt/k/config.ini";
    const std::string forUser = "/home/u/.config/kelmar-sim/config.ini";
#endif
    struct Case {
        bool writable;
        bool hasConfig;
        std::string userHome;
        std::string expected;
    };
    const Case cases[] = {
        {true, false, user, besideProgram},  // a program unpacked where its user can write
        {false, false, user, forUser},       // installed: the user's folder
        {false, true, user, besideProgram},  // a config.ini shipped beside it wins
        {false, false, "", besideProgram},   // no user folder known
    };
    for (const auto& c : cases) {
        const SettingsLocationFacts facts{program, c.writable, c.hasConfig, c.userHome};
        EXPECT_EQ(chooseSettingsFile(facts), c.expected) << c.writable << c.hasConfig;
    }
}

TEST(SettingsLocationTest, DefaultExchangeFolderIsAbsolute) {
    const auto folder = defaultExchangeFolder();
#ifdef _WIN32
    EXPECT_EQ(folder, "C:\\Quelmont\\nf_e");
#else
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(folder.ends_with("/Quelmont/nf_e"));
#endif
}

}  // namespace
}  // namespace kelmar::settings
