// The operator window's behaviour without any window: the model a Qt or a native window
// binds its controls to.
#include "form/form_model.hpp"

#include "platform/native_path.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include <unistd.h>

#include "engine/exchange_layout.hpp"
#include "engine/instance_claim.hpp"
#include "engine/simulator.hpp"
#include "settings/ini_file.hpp"
#include "support/recording_presenter.hpp"
#include "support/temporary_folder.hpp"

namespace kelmar::ui {
namespace {

using settings::ReturnKind;
using settings::StateField;

// Records what the window would be told.
class RecordingWindow final : public FormObserver {
  public:
    std::map<StateField, std::string> fields;
    std::vector<StateField> changes;
    std::vector<FormStatus> statuses;

    void fieldChanged(StateField field, const std::string& text) override {
        fields[field] = text;
        changes.push_back(field);
    }
    void statusChanged(const FormStatus& status) override { statuses.push_back(status); }
};

using testing::RecordingPresenter;

class FormModelTest : public ::testing::Test {
  protected:
    FormModelTest() {
        for (const auto sub : engine::ExchangeLayout::subfolderNames()) {
            root_.makeFolder("nf_e/" + std::string(sub));
        }
        root_.write("erro_layout.err", "Erro de esquema\n");
        model_.setObserver(&window_);
    }

    void queueNfe(const std::string& name, const std::string& key = "42") const {
        root_.write("nf_e/envio/" + name, "<NFe><infNFe Id=\"NFe" + key + "\"/></NFe>");
    }

    std::string saved() const { return testing::readFile(root_.path() / "config.ini"); }

    testing::TemporaryFolder root_;
    platform::ManualClock clock_{{2009, 1, 16, 14, 50, 43, 551}};
    engine::Simulator simulator_{
        settings::SettingsFile(root_.text() + "\\config.ini", root_.text() + "\\nf_e"), clock_,
        root_.text()};
    settings::SimulatorState& state_ = simulator_.state();
    const settings::SettingsFile& settingsFile_ = simulator_.settingsFile();
    engine::PollingTick& tick_ = simulator_.tick();
    RecordingPresenter presenter_;
    RecordingWindow window_;
    FormModel model_{state_, settingsFile_, tick_, presenter_, clock_};
};

TEST_F(FormModelTest, FormCreateLoadsTheSettingsOnceIntoTheFields) {
    root_.write("config.ini",
                "[NFE]\nLOTE=300\nRECIBO=7\nPROTOCOLO=9\nPASTA=" + root_.text() + "\\nf_e\n");
    // The defaults until the window is created and loads the file.
    EXPECT_EQ(model_.fieldText(StateField::Batch), "204");
    model_.formCreate();
    EXPECT_EQ(window_.fields[StateField::Batch], "300");
    EXPECT_EQ(window_.fields[StateField::Receipt], "7");
    EXPECT_EQ(window_.fields[StateField::Protocol], "9");
    EXPECT_EQ(window_.fields[StateField::ExchangeFolder], root_.text() + "\\nf_e");
    EXPECT_EQ(model_.fieldText(StateField::Batch), "300");
    // A later change of the file is not read again: only Save and advances touch it.
    root_.write("config.ini", "[NFE]\nLOTE=999\n");
    model_.timerTick();
    EXPECT_EQ(model_.fieldText(StateField::Batch), "300");
}

TEST_F(FormModelTest, DefaultsShowWithoutASettingsFile) {
    model_.formCreate();
    EXPECT_EQ(window_.fields[StateField::Batch], "204");
    EXPECT_EQ(window_.fields[StateField::Receipt], "159092");
    EXPECT_EQ(window_.fields[StateField::Protocol], "589900");
    EXPECT_FALSE(std::filesystem::exists(root_.path() / "config.ini"));
    EXPECT_EQ(model_.status().folderWarning, "");
}

TEST_F(FormModelTest, SaveWritesTheFourTextsAsEdited) {
    model_.formCreate();
    model_.editField(StateField::Receipt, "159092x");
    model_.editField(StateField::ExchangeFolder, root_.text() + "\\nf_e\\");
    EXPECT_FALSE(std::filesystem::exists(root_.path() / "config.ini"));
    model_.save();
    // A settings file the save creates ends its lines the system's way.
    const std::string end(settings::IniFile::nativeLineEnding());
    EXPECT_EQ(saved(), "[NFE]" + end + "LOTE=204" + end + "RECIBO=159092x" + end +
                           "PROTOCOLO=589900" + end + "PASTA=" + root_.text() + "\\nf_e\\" + end);
    EXPECT_TRUE(presenter_.messages.empty());
}

TEST_F(FormModelTest, SaveFailureIsShownNotRaised) {
    const settings::SettingsFile unwritable(root_.text() + "\\no\\such\\config.ini", "x");
    FormModel model(state_, unwritable, tick_, presenter_, clock_);
    model.formCreate();
    model.save();
    ASSERT_EQ(presenter_.messages.size(), 1u);
    EXPECT_EQ(presenter_.messages[0],
              "Incapaz de gravar para " + root_.text() + "\\no\\such\\config.ini.");
}

TEST_F(FormModelTest, TickShowsEveryAdvanceAndTheLastRequest) {
    model_.formCreate();
    window_.changes.clear();
    queueNfe("a-nfe.xml");
    model_.timerTick();
    EXPECT_EQ(window_.fields[StateField::Batch], "205");
    EXPECT_EQ(window_.fields[StateField::Receipt], "159093");
    EXPECT_EQ(window_.changes, (std::vector<StateField>{StateField::Batch, StateField::Receipt}));
    ASSERT_FALSE(window_.statuses.empty());
    const auto& last = window_.statuses.back().lastRequest;
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->text(),
              "14:50:43  NF-e  a-nfe.xml  autorizado  lote 205, recibo 420000000159093");
    EXPECT_EQ(
        last->detail,
        "envio/a-nfe.xml: NF-e (lote 205, recibo 420000000159093) -> autorizado [selecionado]");
    EXPECT_EQ(model_.status(), window_.statuses.back());

    // A request that hands out no number shows without numbers.
    root_.write("nf_e/envio_lote/b-nfe.xml", "<NFe><infNFe Id=\"NFe43\"/></NFe>");
    clock_.set({2009, 1, 16, 9, 5, 7, 0});
    model_.timerTick();
    EXPECT_EQ(model_.status().lastRequest->text(), "09:05:07  NF-e  b-nfe.xml  autorizado");
}

// The status line in a narrow window: only the name gives way, in its middle.
TEST(LastRequestTest, TextFittingShortensOnlyTheName) {
    const LastRequest last{"14:50:43",   "NF-e",     "abcdefgh-nfe.xml",
                           "autorizado", "lote 205", "detail"};
    const LastRequest bare{"09:05:07", "Consulta NF-e", "x.xml", "", "", "detail"};
    struct Case {
        const LastRequest* request;
        std::size_t room;  // the longest line that fits, in characters
        std::string shown;
    };
    const Case cases[] = {
        {&last, 100, "14:50:43  NF-e  abcdefgh-nfe.xml  autorizado  lote 205"},
        {&last, 54, "14:50:43  NF-e  abcdefgh-nfe.xml  autorizado  lote 205"},
        {&last, 53, "14:50:43  NF-e  abcdefg\x85nfe.xml  autorizado  lote 205"},
        {&last, 45, "14:50:43  NF-e  abc\x85xml  autorizado  lote 205"},
        {&last, 40, "14:50:43  NF-e  a\x85  autorizado  lote 205"},
        {&last, 39, "14:50:43  NF-e  \x85  autorizado  lote 205"},
        {&last, 5, "14:50:43  NF-e  \x85  autorizado  lote 205"},  // nothing fits: the shortest
        {&bare, 30, "09:05:07  Consulta NF-e  x.xml"},
        {&bare, 26, "09:05:07  Consulta NF-e  \x85"},
    };
    for (const auto& [request, room, shown] : cases) {
        std::vector<std::string> tried;
        const auto fits = [&](std::string_view line) {
            tried.emplace_back(line);
            return line.size() <= room;
        };
        EXPECT_EQ(request->textFitting(fits), shown) << room;
        EXPECT_LE(tried.size(), request->name.size() + 1) << room;
    }
}

TEST_F(FormModelTest, EditsCountAtTheirNextUse) {
    model_.formCreate();
    model_.editField(StateField::Batch, "1000");
    queueNfe("a-nfe.xml");
    model_.timerTick();
    EXPECT_EQ(window_.fields[StateField::Batch], "1001");
    EXPECT_NE(saved().find("LOTE=1001" + std::string(settings::IniFile::nativeLineEnding())),
              std::string::npos);

    for (const auto sub : engine::subfolderNames()) {
        root_.makeFolder("outra/" + std::string(sub));
    }
    root_.write("outra/envio/b-nfe.xml", "<NFe><infNFe Id=\"NFe7\"/></NFe>");
    model_.editField(StateField::ExchangeFolder, root_.text() + "\\outra");
    model_.timerTick();
    EXPECT_TRUE(std::filesystem::exists(root_.path() / "outra/retorno/7-num-lot.xml"));
}

TEST_F(FormModelTest, OutcomeChoiceReachesTheEngine) {
    model_.formCreate();
    EXPECT_EQ(model_.outcome(), ReturnKind::Authorised);
    model_.selectOutcome(ReturnKind::SchemaFailure);
    EXPECT_EQ(state_.returnKind(), ReturnKind::SchemaFailure);
    queueNfe("a-nfe.xml", "123");
    model_.timerTick();
    EXPECT_EQ(model_.fieldText(StateField::Batch), "204");
    EXPECT_TRUE(std::filesystem::exists(root_.path() / "nf_e/retorno/123-nfe.err"));
}

TEST_F(FormModelTest, ErrorIsShownOnceAndHoldsTicksBack) {
    model_.formCreate();
    root_.write("nf_e/envio/a-nfe.xml", "<NFe>");
    int ticksWhileShown = 0;
    presenter_.whileShown = [&] {
        EXPECT_TRUE(model_.showingMessage());
        queueNfe("b-nfe.xml");
        model_.timerTick();  // a timer event arriving while the message is open
        ticksWhileShown += std::filesystem::exists(root_.path() / "nf_e/envio/b-nfe.xml") ? 0 : 1;
    };
    model_.timerTick();
    ASSERT_EQ(presenter_.messages.size(), 1u);
    EXPECT_EQ(presenter_.messages[0], "Missing close tag in element NFe.");
    EXPECT_EQ(ticksWhileShown, 0);
    EXPECT_FALSE(model_.showingMessage());

    std::filesystem::remove(root_.path() / "nf_e/envio/a-nfe.xml");
    presenter_.whileShown = {};
    model_.timerTick();  // once the message is closed, ticks run again
    EXPECT_FALSE(std::filesystem::exists(root_.path() / "nf_e/envio/b-nfe.xml"));
}

TEST_F(FormModelTest, MissingFoldersAreReportedAndClearedAgain) {
    model_.formCreate();
    model_.editField(StateField::ExchangeFolder, root_.text() + "\\nova");
    model_.timerTick();
    EXPECT_EQ(model_.status().folderWarning, "Pasta base n\xE3o encontrada");
    root_.makeFolder("nova/envio");
    root_.makeFolder("nova/lotes");
    model_.timerTick();
    EXPECT_EQ(model_.status().folderWarning, "Faltam: envio_lote, retorno, tmp, backup");
    for (const auto sub : engine::ExchangeLayout::subfolderNames()) {
        root_.makeFolder("nova/" + std::string(sub));
    }
    const auto told = window_.statuses.size();
    model_.timerTick();
    EXPECT_EQ(model_.status().folderWarning, "");
    EXPECT_EQ(window_.statuses.size(), told + 1);
    model_.timerTick();  // nothing changed: the window is not told again
    EXPECT_EQ(window_.statuses.size(), told + 1);
}

TEST_F(FormModelTest, ADetachedOrDestroyedModelTellsNoOne) {
    model_.formCreate();
    model_.setObserver(nullptr);
    window_.changes.clear();
    state_.setText(StateField::Batch, "5");
    EXPECT_TRUE(window_.changes.empty());
    {
        RecordingWindow other;
        FormModel second(state_, settingsFile_, tick_, presenter_, clock_);
        second.setObserver(&other);
        state_.setText(StateField::Batch, "6");
        EXPECT_EQ(other.fields[StateField::Batch], "6");
    }
    state_.setText(StateField::Batch, "7");  // the destroyed model's listener is gone
    EXPECT_EQ(state_.batch(), "7");
}

// Records what the desktop was asked to open.
class RecordingOpener final : public DesktopOpener {
  public:
    std::vector<std::string> opened;
    bool accept = true;
    bool open(const std::string& pathText) override {
        opened.push_back(pathText);
        return accept;
    }
};

TEST_F(FormModelTest, HistoryKeepsEveryRequestAndFailureWithItsAnswer) {
    root_.write("config.ini", "[NFE]\nPASTA=" + root_.text() +
                                  "\\nf_e\n[CENARIOS]\n"
                                  "REGRA1=chave 43* -> rejeitado\n");
    model_.formCreate();
    EXPECT_FALSE(model_.historyShown());
    queueNfe("a-nfe.xml", "43");
    model_.timerTick();
    ASSERT_EQ(model_.history().size(), 1u);
    const auto& entry = model_.history().entries().front();
    EXPECT_EQ(entry.text(),
              "14:50:43  envio/a-nfe.xml  NF-e  rejeitado [regra REGRA1]  lote 205, recibo "
              "420000000159093");
    EXPECT_EQ(entry.twoLines(),
              "14:50:43  envio/a-nfe.xml  NF-e\nrejeitado [regra REGRA1]  lote 205, recibo "
              "420000000159093");
    EXPECT_EQ(entry.answerFile, root_.text() + "\\nf_e\\retorno\\43-num-lot.xml");

    root_.write("nf_e/envio/b-nfe.xml", "<NFe>");
    clock_.set({2009, 1, 16, 14, 50, 44, 0});
    model_.timerTick();
    ASSERT_EQ(model_.history().size(), 2u);
    EXPECT_EQ(model_.history().entries().front().text(),
              "14:50:44  envio/b-nfe.xml  erro: Missing close tag in element NFe");
    EXPECT_EQ(model_.history().entries().front().twoLines(),
              "14:50:44  envio/b-nfe.xml\nerro: Missing close tag in element NFe");
    EXPECT_EQ(model_.history().entries().front().answerFile, "");

    RecordingOpener opener;
    EXPECT_FALSE(model_.openAnswer(1));  // no opener yet
    model_.setDesktopOpener(&opener);
    EXPECT_TRUE(model_.openAnswer(1));
    EXPECT_FALSE(model_.openAnswer(0));  // a failure has no answer
    EXPECT_FALSE(model_.openAnswer(2));  // no such entry
    EXPECT_TRUE(model_.openExchangeFolder());
    opener.accept = false;
    EXPECT_FALSE(model_.openExchangeFolder());
    EXPECT_EQ(model_.status().problem,
              "O sistema n\xE3o abriu " + platform::displayPath(root_.text() + "\\nf_e") + ".");

    // The window's own view: every file the request wrote, each readable as text.
    ASSERT_EQ(entry.written.size(), 5u);
    EXPECT_EQ(entry.written.front(), entry.answerFile);
    EXPECT_NE(FormModel::documentText(entry.answerFile).find("<NumeroLoteGerado>205<"),
              std::string::npos);
    EXPECT_EQ(FormModel::documentText(root_.text() + "\\gone.xml"),
              "N\xE3o \xE9 poss\xEDvel abrir o arquivo " +
                  platform::displayPath(root_.text() + "\\gone.xml") + ".");
    EXPECT_EQ(opener.opened, (std::vector<std::string>{entry.answerFile, root_.text() + "\\nf_e",
                                                       root_.text() + "\\nf_e"}));
    model_.showHistory(true);
    EXPECT_TRUE(model_.historyShown());
}

TEST_F(FormModelTest, StatusSaysWhichScenariosAreInForce) {
    model_.formCreate();
    EXPECT_EQ(model_.status().scenarios, "");
    root_.write("config.ini", saved() +
                                  "[CENARIOS]\nREGRA1=nNF 1 -> rejeitado\n"
                                  "REGRA2=nNF 2 -> denegado\nPADRAO=autorizado\n");
    model_.timerTick();
    EXPECT_EQ(model_.status().scenarios, "Cen\xE1rios: 2 regras, PADRAO autorizado");

    root_.write("config.ini", saved() + "REGRA3=nNF x -> denegado\n");
    model_.timerTick();
    EXPECT_EQ(model_.status().scenarios, "Cen\xE1rios com erro");
    ASSERT_FALSE(presenter_.messages.empty());
    EXPECT_TRUE(presenter_.messages.back().starts_with("[CENARIOS] REGRA3: "));

    // The layout: shown only when it is today's, an unknown one as an error, and the
    // command line's choice over the file's.
    EXPECT_EQ(model_.status().layout, "");
    root_.write("config.ini", "[NFE]\nLEIAUTE=4.0\n");
    model_.timerTick();
    EXPECT_EQ(model_.status().layout, "Leiaute com erro");
    EXPECT_TRUE(presenter_.messages.back().starts_with("[NFE] LEIAUTE: '4.0' "));
    model_.setProfileOverride(settings::LayoutProfile::Layout400);
    EXPECT_EQ(model_.status().layout, "Leiaute 4.00");
}

}  // namespace
}  // namespace kelmar::ui

namespace kelmar::ui {
namespace {

// The message box keeps the error's own text; the status line names the request.
TEST_F(FormModelTest, TheStatusLineNamesTheFailingRequest) {
    model_.formCreate();
    root_.write("nf_e/envio/a-nfe.xml", "<NFe>");
    model_.timerTick();
    ASSERT_EQ(presenter_.messages.size(), 1u);
    EXPECT_EQ(presenter_.messages[0], "Missing close tag in element NFe.");
    const std::string failing =
        "envio/a-nfe.xml: Missing close tag in element NFe. Nova tentativa a cada segundo.";
    EXPECT_EQ(model_.status().problem, failing);
    ASSERT_EQ(model_.history().size(), 1u);
    EXPECT_EQ(model_.history().entries()[0].request, "envio/a-nfe.xml");
    EXPECT_EQ(model_.history().entries()[0].error, "Missing close tag in element NFe");
    // It stays while the request fails, and goes with the first tick that does not.
    model_.timerTick();
    EXPECT_EQ(model_.status().problem, failing);
    std::filesystem::remove(root_.path() / "nf_e/envio/a-nfe.xml");
    model_.timerTick();
    EXPECT_EQ(model_.status().problem, "");
}

// A folder another simulator serves: the message once, no request answered, until the
// other lets go or the operator names another folder.
TEST(FormModelLockTest, AServedFolderIsShownOnceAndWaitedFor) {
    testing::TemporaryFolder root;
    for (const char* folder : {"nf_e", "other"}) {
        for (const auto sub : engine::ExchangeLayout::subfolderNames()) {
            root.makeFolder(std::string(folder) + "/" + std::string(sub));
        }
    }
    root.write("config.ini", "[NFE]\nPASTA=" + root.text() + "\\nf_e\n");
    root.write("nf_e/envio/a-nfe.xml", "<NFe><infNFe Id=\"NFe42\"/></NFe>");
    auto holder = std::make_unique<engine::InstanceClaim>();
    holder->hold(root.text() + "\\holder.ini", root.text() + "\\nf_e");

    const platform::ManualClock clock({2009, 1, 16, 14, 50, 43, 551});
    engine::Simulator simulator(
        settings::SettingsFile(root.text() + "\\config.ini", root.text() + "\\nf_e"), clock,
        root.text());
    RecordingPresenter presenter;
    FormModel model(simulator.state(), simulator.settingsFile(), simulator.tick(), presenter,
                    clock);
    model.formCreate();
    const std::string message =
        "A pasta " + root.text() +
        "\\nf_e j\xE1 est\xE1 sendo atendida por outro kelmar-sim (processo " +
        std::to_string(::getpid()) + ")";
    for (int i = 0; i < 3; ++i) {
        model.timerTick();
    }
    EXPECT_EQ(presenter.messages, std::vector<std::string>{message});
    EXPECT_EQ(model.status().folderWarning, message);
    EXPECT_TRUE(std::filesystem::exists(root.path() / "nf_e/envio/a-nfe.xml"));

    // Another folder: served at once.
    root.write("other/envio/b-nfe.xml", "<NFe><infNFe Id=\"NFe43\"/></NFe>");
    model.editField(StateField::ExchangeFolder, root.text() + "\\other");
    model.timerTick();
    EXPECT_FALSE(std::filesystem::exists(root.path() / "other/envio/b-nfe.xml"));
    EXPECT_EQ(model.status().folderWarning, "");

    // Back to the first once the other simulator has gone.
    holder.reset();
    model.editField(StateField::ExchangeFolder, root.text() + "\\nf_e");
    model.timerTick();
    EXPECT_FALSE(std::filesystem::exists(root.path() / "nf_e/envio/a-nfe.xml"));
    EXPECT_EQ(presenter.messages.size(), 1u);
}

}  // namespace
}  // namespace kelmar::ui
