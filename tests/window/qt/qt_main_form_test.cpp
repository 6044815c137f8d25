#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "engine/exchange_layout.hpp"
#include "engine/simulator.hpp"
#include "form/form_model.hpp"
#include "platform/clock.hpp"
#include "support/recording_presenter.hpp"
#include "support/temporary_folder.hpp"
#include "window/qt/qt_main_form.hpp"

using namespace kelmar;

namespace {

using testing::RecordingPresenter;

// A window on a temporary exchange folder with the real engine behind it.
struct Stack {
    testing::TemporaryFolder root;
    platform::ManualClock clock{{2009, 1, 16, 14, 50, 43, 551}};
    engine::Simulator simulator{
        settings::SettingsFile(root.text() + "\\config.ini", root.text() + "\\nf_e"), clock,
        root.text()};
    RecordingPresenter presenter;
    ui::FormModel model{simulator.state(), simulator.settingsFile(), simulator.tick(), presenter,
                        simulator.clock()};
    std::unique_ptr<ui::QtMainForm> form;

    explicit Stack(bool withFolders = true) {
        if (withFolders) {
            for (const auto sub : engine::ExchangeLayout::subfolderNames()) {
                root.makeFolder("nf_e/" + std::string(sub));
            }
        }
        root.write("erro_layout.err", "Erro de esquema\n");
        form = std::make_unique<ui::QtMainForm>(model);
    }

    template <typename T>
    T* find(const char* name) const {
        return form->findChild<T*>(QString::fromLatin1(name));
    }

    std::string savedValue(const char* key) const {
        const auto content = testing::readFile(root.path() / "config.ini");
        const auto at = content.find(std::string(key) + "=");
        if (at == std::string::npos) {
            return {};
        }
        const auto start = at + std::string(key).size() + 1;
        return content.substr(start, content.find('\n', start) - start);
    }

    void queueNfe(const std::string& name) const {
        root.write("nf_e/envio/" + name,
                   "<NFe><infNFe "
                   "Id=\"NFe42090112345678000190550010000000011000000010\"><ide/></infNFe></NFe>");
    }
};

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

  private slots:
    void controlsCarryTheirNamesAndCaptions() {
        Stack stack;
        QCOMPARE(stack.form->windowTitle(), QStringLiteral("Simulador de Resposta do Kelmar"));
        const std::pair<const char*, const char*> labels[] = {{"Label1", "Lote Atual"},
                                                              {"Label2", "Recibo"},
                                                              {"Label3", "Protocolo"},
                                                              {"Label4", "Pasta Base"}};
        for (const auto& [name, caption] : labels) {
            QVERIFY2(stack.find<QLabel>(name) != nullptr, name);
            QCOMPARE(stack.find<QLabel>(name)->text(), QString::fromUtf8(caption));
        }
        for (const char* name : {"ELote", "ERecibo", "EProtocolo", "EPasta"}) {
            QVERIFY2(stack.find<QLineEdit>(name) != nullptr, name);
        }
        QCOMPARE(stack.find<QPushButton>("BtSalvar")->text(), QStringLiteral("Salvar"));
        QCOMPARE(stack.find<QGroupBox>("RGTipoRet")->title(), QStringLiteral("Tipo de Retorno"));
        const QStringList captions = {
            QStringLiteral("Envio Bem Sucedido (Autoriza\u00e7\u00e3o de Uso)"),
            QStringLiteral("Falha Esquema XML (Kelmar) "),
            QStringLiteral("Falha Envio SEFAZ"),
            QStringLiteral("Lote Ainda N\u00e3o Processado"),
            QStringLiteral("NF-e Rejeitada"),
            QStringLiteral("NF-e Denegada"),
        };
        const auto items = stack.find<QGroupBox>("RGTipoRet")->findChildren<QRadioButton*>();
        QCOMPARE(items.size(), captions.size());
        for (int i = 0; i < captions.size(); ++i) {
            QCOMPARE(items[i]->text(), captions[i]);
            QCOMPARE(items[i]->isChecked(), i == 0);
        }
        auto* timer = stack.find<QTimer>("Timer1");
        QVERIFY(timer != nullptr);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
        QVERIFY(!(stack.form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(stack.form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(stack.form->minimumSize(), stack.form->maximumSize());
    }

    void tabOrderRunsFromTheOutcomeToTheFolder() {
        Stack stack;
        auto* last = stack.find<QGroupBox>("RGTipoRet")->findChildren<QRadioButton*>().last();
        QStringList order;
        for (QWidget* widget = last->nextInFocusChain(); widget != last && order.size() < 5;
             widget = widget->nextInFocusChain()) {
            if (!widget->objectName().isEmpty() && widget->focusPolicy() & Qt::TabFocus) {
                order << widget->objectName();
            }
        }
        QCOMPARE(order, (QStringList{"BtSalvar", "ELote", "ERecibo", "EProtocolo", "EPasta"}));
    }

    void defaultsShowWithoutASettingsFile() {
        Stack stack;
        QCOMPARE(stack.find<QLineEdit>("ELote")->text(), QStringLiteral("204"));
        QCOMPARE(stack.find<QLineEdit>("ERecibo")->text(), QStringLiteral("159092"));
        QCOMPARE(stack.find<QLineEdit>("EProtocolo")->text(), QStringLiteral("589900"));
        QCOMPARE(stack.find<QLineEdit>("EPasta")->text(),
                 ui::fromEngineText(stack.root.text() + "\\nf_e"));
    }

    void saveWritesTheFourTextsAsTyped() {
        Stack stack;
        QTest::keyClicks(stack.find<QLineEdit>("EPasta"), QStringLiteral("\\"));
        QTest::keyClicks(stack.find<QLineEdit>("ERecibo"), QStringLiteral("x"));
        QTest::mouseClick(stack.find<QPushButton>("BtSalvar"), Qt::LeftButton);
        QCOMPARE(stack.savedValue("PASTA"), stack.root.text() + "\\nf_e\\");
        QCOMPARE(stack.savedValue("RECIBO"), std::string("159092x"));
        QCOMPARE(stack.savedValue("LOTE"), std::string("204"));
        QCOMPARE(stack.savedValue("PROTOCOLO"), std::string("589900"));
        QVERIFY(stack.presenter.messages.empty());
    }

    void tickShowsAndSavesEveryAdvance() {
        Stack stack;
        stack.queueNfe("a-nfe.xml");
        stack.form->Timer1Timer();
        QCOMPARE(stack.find<QLineEdit>("ELote")->text(), QStringLiteral("205"));
        QCOMPARE(stack.find<QLineEdit>("ERecibo")->text(), QStringLiteral("159093"));
        QCOMPARE(stack.savedValue("LOTE"), std::string("205"));
        QCOMPARE(stack.savedValue("RECIBO"), std::string("159093"));
        QVERIFY(stack.find<QLabel>("lastRequest")->toolTip().contains(QStringLiteral("lote 205")));

        // A window at the bottom of its screen moves up as the history opens.
        const QRect room = stack.form->screen()->availableGeometry();
        stack.form->move(stack.form->x(), room.bottom() - stack.form->frameGeometry().height());
        stack.find<QToolButton>("BtHistorico")->click();
        QVERIFY(stack.form->frameGeometry().bottom() <= room.bottom());

        // The answer is shown in the program, every file the request wrote listed.
        stack.find<QListWidget>("historyList")->setCurrentRow(0);
        stack.find<QPushButton>("BtAbrirResposta")->click();
        QCOMPARE(stack.find<QListWidget>("answerFiles")->count(), 5);
        QVERIFY(stack.find<QPlainTextEdit>("answerText")
                    ->toPlainText()
                    .contains(QStringLiteral("<NumeroLoteGerado>205</NumeroLoteGerado>")));
    }

    void editedFieldsCountAtTheirNextUse() {
        Stack stack;
        auto* lote = stack.find<QLineEdit>("ELote");
        lote->selectAll();
        QTest::keyClicks(lote, QStringLiteral("1000"));
        stack.queueNfe("a-nfe.xml");
        stack.form->Timer1Timer();
        QCOMPARE(lote->text(), QStringLiteral("1001"));
        QCOMPARE(stack.savedValue("LOTE"), std::string("1001"));

        stack.root.makeFolder("outra/envio");
        stack.root.makeFolder("outra/retorno");
        stack.root.makeFolder("outra/lotes");
        stack.root.makeFolder("outra/backup");
        stack.root.write("outra/envio/b-nfe.xml", "<NFe><infNFe Id=\"NFe7\"/></NFe>");
        auto* pasta = stack.find<QLineEdit>("EPasta");
        pasta->selectAll();
        QTest::keyClicks(pasta, ui::fromEngineText(stack.root.text() + "\\outra"));
        stack.form->Timer1Timer();
        QVERIFY(std::filesystem::exists(stack.root.path() / "outra/retorno/7-num-lot.xml"));
    }

    void outcomeChoiceReachesTheEngine() {
        Stack stack;
        auto items = stack.find<QGroupBox>("RGTipoRet")->findChildren<QRadioButton*>();
        QTest::mouseClick(items[1], Qt::LeftButton, {}, QPoint(5, items[1]->height() / 2));
        QCOMPARE(static_cast<int>(stack.simulator.state().returnKind()), 1);
        stack.queueNfe("a-nfe.xml");
        stack.form->Timer1Timer();
        QCOMPARE(stack.find<QLineEdit>("ELote")->text(), QStringLiteral("204"));
        QVERIFY(std::filesystem::exists(
            stack.root.path() /
            "nf_e/retorno/42090112345678000190550010000000011000000010-nfe.err"));
    }

    void errorShowsOnceAndHoldsTicksBack() {
        Stack stack;
        stack.root.write("nf_e/envio/a-nfe.xml", "<NFe>");
        int ticksWhileShown = 0;
        stack.presenter.whileShown = [&] {
            stack.queueNfe("b-nfe.xml");
            stack.form->Timer1Timer();  // a timer event arriving while the box is open
            ticksWhileShown +=
                std::filesystem::exists(stack.root.path() / "nf_e/envio/b-nfe.xml") ? 0 : 1;
        };
        stack.form->Timer1Timer();
        QCOMPARE(stack.presenter.messages.size(), std::size_t{1});
        QCOMPARE(stack.presenter.messages[0], std::string("Missing close tag in element NFe."));
        QCOMPARE(ticksWhileShown, 0);
        // The status line names the failing request and says it is tried again.
        const auto status = stack.find<QLabel>("lastRequest")->text();
        QVERIFY(status.startsWith(QStringLiteral("envio/a-nfe.xml: Missing close tag")));
        QVERIFY(status.endsWith(QStringLiteral("Nova tentativa a cada segundo.")));
        std::filesystem::remove(stack.root.path() / "nf_e/envio/a-nfe.xml");
        stack.presenter.whileShown = {};
        stack.form->Timer1Timer();  // after the box closed, ticks run again
        QVERIFY(!std::filesystem::exists(stack.root.path() / "nf_e/envio/b-nfe.xml"));
    }

    void missingFoldersAreReported() {
        Stack stack(false);
        QVERIFY(stack.find<QLabel>("folderWarning")->text().contains(QStringLiteral("Pasta base")));
        stack.root.makeFolder("nf_e/envio");
        stack.form->Timer1Timer();
        QVERIFY(stack.find<QLabel>("folderWarning")->text().contains(QStringLiteral("retorno")));
        QVERIFY(!stack.find<QLabel>("folderWarning")->text().contains(QStringLiteral("envio,")));
    }

    void historyExpandsBelowTheControlsAndOffersTheAnswer() {
        Stack stack;
        auto* toggle = stack.find<QToolButton>("BtHistorico");
        auto* panel = stack.find<QWidget>("historyPanel");
        auto* list = stack.find<QListWidget>("historyList");
        QVERIFY(toggle && panel && list);
        QCOMPARE(toggle->text(), QStringLiteral("Hist\u00F3rico"));
        QVERIFY(panel->isHidden());
        const auto collapsed = stack.form->size();

        stack.root.write("config.ini", testing::readFile(stack.root.path() / "config.ini") +
                                           "[CENARIOS]\nREGRA1=chave * -> denegado\n");
        stack.queueNfe("a-nfe.xml");
        stack.form->Timer1Timer();
        QCOMPARE(list->count(), 1);
        QVERIFY(list->item(0)->text().contains(QStringLiteral("denegado [regra REGRA1]")));
        QCOMPARE(stack.find<QLabel>("scenarios")->text(), QStringLiteral("Cen\u00E1rios: 1 regra"));

        toggle->click();
        QVERIFY(!panel->isHidden());
        QVERIFY(stack.model.historyShown());
        QVERIFY(stack.form->height() > collapsed.height());
        auto* openAnswer = stack.find<QPushButton>("BtAbrirResposta");
        QVERIFY(!openAnswer->isEnabled());
        list->setCurrentRow(0);
        QVERIFY(openAnswer->isEnabled());
        QVERIFY(stack.find<QPushButton>("BtAbrirPasta")->isEnabled());

        toggle->click();
        QVERIFY(panel->isHidden());
        QCOMPARE(stack.form->size(), collapsed);
    }
};

QTEST_MAIN(MainFormTest)
#include "qt_main_form_test.moc"
