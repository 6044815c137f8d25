#include "ui/main_form.hpp"

#include <QButtonGroup>
#include <QDateTime>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "engine/exchange_layout.hpp"
#include "platform/text_encoding.hpp"
#include "ui/console_reporter.hpp"

namespace kelmar::ui {
namespace {

using settings::StateField;

// The outcome captions, in item order; the second ends with a space.
constexpr std::array<const char*, settings::kReturnKindCount> kReturnCaptions = {
    "Envio Bem Sucedido (Autoriza\xE7\xE3o de Uso)",
    "Falha Esquema XML (Kelmar) ",
    "Falha Envio SEFAZ",
    "Lote Ainda N\xE3o Processado",
    "NF-e Rejeitada",
    "NF-e Denegada",
};

QLabel* makeLabel(QWidget* parent, const char* objectName, const char* caption) {
    auto* label = new QLabel(fromEngineText(caption), parent);
    label->setObjectName(objectName);
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* objectName, int minimumWidth) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setMinimumWidth(minimumWidth);
    return edit;
}

}  // namespace

QString fromEngineText(std::string_view text) {
    const auto utf8 = platform::cp1252ToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toEngineText(const QString& text) {
    const auto utf8 = text.toUtf8();
    return platform::utf8ToCp1252(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString applicationTitle() {
    return QStringLiteral("Simulador de Resposta do Kelmar");
}

void MessageBoxPresenter::showError(std::string_view message) {
    QMessageBox box(QMessageBox::Critical, applicationTitle(),
                    fromEngineText(engine::withClosingFullStop(message)), QMessageBox::Ok, parent_);
    box.exec();
}

MainForm::MainForm(settings::SimulatorState& state, const settings::SettingsFile& settingsFile,
                   engine::PollingTick& tick, engine::MessagePresenter& presenter, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state),
      settingsFile_(settingsFile),
      tick_(tick),
      presenter_(presenter) {
    setObjectName("MainForm");
    setWindowTitle(applicationTitle());
    buildControls();
    FormCreate();
    bindState();
    checkExchangeFolder();
    setFixedSize(sizeHint());
    move(328, 255);
    Timer1->start();
}

MainForm::~MainForm() {
    state_.setListener({});
}

void MainForm::buildControls() {
    auto* client = new QWidget(this);
    auto* grid = new QGridLayout(client);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);

    ELote = makeEdit(client, "ELote", 64);
    ERecibo = makeEdit(client, "ERecibo", 64);
    EProtocolo = makeEdit(client, "EProtocolo", 64);
    EPasta = makeEdit(client, "EPasta", 220);
    BtSalvar = new QPushButton(QStringLiteral("Salvar"), client);
    BtSalvar->setObjectName("BtSalvar");

    grid->addWidget(makeLabel(client, "Label1", "Lote Atual"), 0, 0);
    grid->addWidget(ELote, 0, 1);
    grid->addWidget(makeLabel(client, "Label2", "Recibo"), 0, 2);
    grid->addWidget(ERecibo, 0, 3);
    grid->addWidget(makeLabel(client, "Label3", "Protocolo"), 1, 0);
    grid->addWidget(EProtocolo, 1, 1);
    grid->addWidget(BtSalvar, 1, 2, 1, 2, Qt::AlignLeft);
    grid->addWidget(makeLabel(client, "Label4", "Pasta Base"), 2, 0);
    grid->addWidget(EPasta, 2, 1, 1, 3);

    RGTipoRet = new QGroupBox(QStringLiteral("Tipo de Retorno"), client);
    RGTipoRet->setObjectName("RGTipoRet");
    auto* items = new QVBoxLayout(RGTipoRet);
    items->setSpacing(2);
    returnKinds_ = new QButtonGroup(this);
    for (int i = 0; i < settings::kReturnKindCount; ++i) {
        auto* item = new QRadioButton(fromEngineText(kReturnCaptions[static_cast<std::size_t>(i)]),
                                      RGTipoRet);
        item->setObjectName(QStringLiteral("RGTipoRet_%1").arg(i));
        returnKinds_->addButton(item, i);
        items->addWidget(item);
    }
    returnKinds_->button(static_cast<int>(state_.returnKind()))->setChecked(true);
    grid->addWidget(RGTipoRet, 3, 0, 1, 4);
    client->setMinimumWidth(460);
    setCentralWidget(client);

    // Tab order: the outcome choice, Save, then the four fields.
    QWidget::setTabOrder(returnKinds_->button(settings::kReturnKindCount - 1), BtSalvar);
    QWidget::setTabOrder(BtSalvar, ELote);
    QWidget::setTabOrder(ELote, ERecibo);
    QWidget::setTabOrder(ERecibo, EProtocolo);
    QWidget::setTabOrder(EProtocolo, EPasta);

    lastRequest_ = new QLabel(this);
    lastRequest_->setObjectName("lastRequest");
    folderWarning_ = new QLabel(this);
    folderWarning_->setObjectName("folderWarning");
    folderWarning_->setStyleSheet(QStringLiteral("color: #b00020;"));
    statusBar()->addWidget(lastRequest_, 1);
    statusBar()->addPermanentWidget(folderWarning_);
    statusBar()->setSizeGripEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this, &MainForm::Timer1Timer);
    connect(BtSalvar, &QPushButton::clicked, this, &MainForm::BtSalvarClick);
}

void MainForm::bindState() {
    const std::array<std::pair<QLineEdit*, StateField>, settings::kStateFieldCount> edits = {{
        {ELote, StateField::Batch},
        {ERecibo, StateField::Receipt},
        {EProtocolo, StateField::Protocol},
        {EPasta, StateField::ExchangeFolder},
    }};
    for (const auto& [edit, field] : edits) {
        const auto bound = field;
        connect(edit, &QLineEdit::textEdited, this,
                [this, bound](const QString& text) { state_.setText(bound, toEngineText(text)); });
    }
    state_.setListener([this](StateField field) { showField(field); });
    connect(returnKinds_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            state_.setReturnKind(static_cast<settings::ReturnKind>(id));
        }
    });
}

void MainForm::showField(StateField field) {
    QLineEdit* edit = field == StateField::Batch      ? ELote
                      : field == StateField::Receipt  ? ERecibo
                      : field == StateField::Protocol ? EProtocolo
                                                      : EPasta;
    const auto text = fromEngineText(state_.text(field));
    if (edit->text() != text) {
        edit->setText(text);  // only when it differs, so typing keeps its cursor
    }
}

void MainForm::FormCreate() {
    try {
        settingsFile_.load(state_);
    } catch (const std::exception&) {
        // Held open by another program: the fields keep what the engine has, and the
        // first tick reads the file again or shows why it cannot.
    }
    for (int i = 0; i < settings::kStateFieldCount; ++i) {
        showField(static_cast<StateField>(i));
    }
}

void MainForm::BtSalvarClick() {
    try {
        settingsFile_.save(state_);
    } catch (const std::exception& error) {
        report(error);
    }
}

void MainForm::Timer1Timer() {
    // A message box runs its own event loop, in which timer events keep arriving; the
    // next tick waits until the operator has closed it.
    if (busy_) {
        return;
    }
    busy_ = true;
    try {
        tick_.run(this);
    } catch (const std::exception& error) {
        report(error);
    }
    checkExchangeFolder();
    busy_ = false;
}

void MainForm::report(const std::exception& error) {
    const bool wasBusy = busy_;
    busy_ = true;
    presenter_.showError(error.what());
    busy_ = wasBusy;
}

void MainForm::requestHandled(const engine::DispatchRecord& request) {
    // Time, kind and numbers always show; a long file name gives way in its middle.
    QString lead = QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) +
                   QStringLiteral("  ") + fromEngineText(engine::kindLabel(request.kind)) +
                   QStringLiteral("  ");
    QString numbers;
    if (!request.handOuts.empty()) {
        numbers = QStringLiteral("  ") + fromEngineText(describeHandOuts(request.handOuts));
    }
    const auto name = fromEngineText(request.name);
    const QFontMetrics metrics(lastRequest_->font());
    const int room =
        std::max(24, statusBar()->width() - metrics.horizontalAdvance(lead + numbers) - 40);
    lastRequest_->setText(lead + metrics.elidedText(name, Qt::ElideMiddle, room) + numbers);
    lastRequest_->setToolTip(fromEngineText(describeHandledRequest(request)));
}

void MainForm::checkExchangeFolder() {
    const auto check = engine::ExchangeLayout(state_.exchangeFolder()).check();
    QString warning;
    if (check.folderMissing) {
        // "Pasta base não encontrada"
        warning = fromEngineText("Pasta base n\xE3o encontrada");
    } else if (!check.missingSubfolders.empty()) {
        QStringList missing;
        for (const auto sub : check.missingSubfolders) {
            missing << fromEngineText(sub);
        }
        warning = QStringLiteral("Faltam: ") + missing.join(QStringLiteral(", "));
    }
    folderWarning_->setText(warning);
    folderWarning_->setVisible(!warning.isEmpty());
}

}  // namespace kelmar::ui
