#include "ui/main_form.hpp"

#include <QButtonGroup>
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

#include "platform/text_encoding.hpp"
#include "ui/form_texts.hpp"

namespace kelmar::ui {
namespace {

using settings::StateField;

QLabel* makeLabel(QWidget* parent, const char* objectName, std::string_view caption) {
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

std::string_view fieldCaption(StateField field) {
    return kFieldCaptions[static_cast<std::size_t>(field)];
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
    return fromEngineText(kFormCaption);
}

void MessageBoxPresenter::showError(std::string_view message) {
    QMessageBox box(QMessageBox::Critical, applicationTitle(),
                    fromEngineText(withClosingFullStop(message)), QMessageBox::Ok, parent_);
    box.exec();
}

MainForm::MainForm(FormModel& model, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model) {
    setObjectName("MainForm");
    setWindowTitle(applicationTitle());
    buildControls();
    model_.setObserver(this);
    model_.formCreate();
    bindModel();
    setFixedSize(sizeHint());
    move(328, 255);
    Timer1->start();
}

MainForm::~MainForm() {
    model_.setObserver(nullptr);
}

void MainForm::buildControls() {
    auto* client = new QWidget(this);
    auto* grid = new QGridLayout(client);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    buildFields(grid);
    buildOutcomes(grid);
    client->setMinimumWidth(460);
    setCentralWidget(client);

    // Tab order: the outcome choice, Save, then the four fields.
    QWidget::setTabOrder(returnKinds_->button(settings::kReturnKindCount - 1), BtSalvar);
    QWidget::setTabOrder(BtSalvar, ELote);
    QWidget::setTabOrder(ELote, ERecibo);
    QWidget::setTabOrder(ERecibo, EProtocolo);
    QWidget::setTabOrder(EProtocolo, EPasta);

    buildStatusBar();
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimerInterval);
}

void MainForm::buildFields(QGridLayout* grid) {
    auto* client = grid->parentWidget();
    ELote = makeEdit(client, "ELote", 64);
    ERecibo = makeEdit(client, "ERecibo", 64);
    EProtocolo = makeEdit(client, "EProtocolo", 64);
    EPasta = makeEdit(client, "EPasta", 220);
    BtSalvar = new QPushButton(fromEngineText(kSaveCaption), client);
    BtSalvar->setObjectName("BtSalvar");

    grid->addWidget(makeLabel(client, "Label1", fieldCaption(StateField::Batch)), 0, 0);
    grid->addWidget(ELote, 0, 1);
    grid->addWidget(makeLabel(client, "Label2", fieldCaption(StateField::Receipt)), 0, 2);
    grid->addWidget(ERecibo, 0, 3);
    grid->addWidget(makeLabel(client, "Label3", fieldCaption(StateField::Protocol)), 1, 0);
    grid->addWidget(EProtocolo, 1, 1);
    grid->addWidget(BtSalvar, 1, 2, 1, 2, Qt::AlignLeft);
    grid->addWidget(makeLabel(client, "Label4", fieldCaption(StateField::ExchangeFolder)), 2, 0);
    grid->addWidget(EPasta, 2, 1, 1, 3);
}

void MainForm::buildOutcomes(QGridLayout* grid) {
    RGTipoRet = new QGroupBox(fromEngineText(kOutcomeGroupCaption), grid->parentWidget());
    RGTipoRet->setObjectName("RGTipoRet");
    auto* items = new QVBoxLayout(RGTipoRet);
    items->setSpacing(2);
    returnKinds_ = new QButtonGroup(this);
    for (int i = 0; i < settings::kReturnKindCount; ++i) {
        auto* item = new QRadioButton(fromEngineText(kOutcomeCaptions[static_cast<std::size_t>(i)]),
                                      RGTipoRet);
        item->setObjectName(QStringLiteral("RGTipoRet_%1").arg(i));
        returnKinds_->addButton(item, i);
        items->addWidget(item);
    }
    returnKinds_->button(static_cast<int>(model_.outcome()))->setChecked(true);
    grid->addWidget(RGTipoRet, 3, 0, 1, 4);
}

void MainForm::buildStatusBar() {
    lastRequest_ = new QLabel(this);
    lastRequest_->setObjectName("lastRequest");
    folderWarning_ = new QLabel(this);
    folderWarning_->setObjectName("folderWarning");
    folderWarning_->setStyleSheet(QStringLiteral("color: #b00020;"));
    folderWarning_->setVisible(false);
    statusBar()->addWidget(lastRequest_, 1);
    statusBar()->addPermanentWidget(folderWarning_);
    statusBar()->setSizeGripEnabled(false);
}

void MainForm::bindModel() {
    for (int i = 0; i < settings::kStateFieldCount; ++i) {
        const auto field = static_cast<StateField>(i);
        connect(edit(field), &QLineEdit::textEdited, this, [this, field](const QString& text) {
            model_.editField(field, toEngineText(text));
        });
    }
    connect(returnKinds_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            model_.selectOutcome(static_cast<settings::ReturnKind>(id));
        }
    });
    connect(Timer1, &QTimer::timeout, this, &MainForm::Timer1Timer);
    connect(BtSalvar, &QPushButton::clicked, this, &MainForm::BtSalvarClick);
}

QLineEdit* MainForm::edit(StateField field) const {
    switch (field) {
        case StateField::Batch:
            return ELote;
        case StateField::Receipt:
            return ERecibo;
        case StateField::Protocol:
            return EProtocolo;
        case StateField::ExchangeFolder:
            break;
    }
    return EPasta;
}

void MainForm::BtSalvarClick() {
    model_.save();
}

void MainForm::Timer1Timer() {
    model_.timerTick();
}

void MainForm::fieldChanged(StateField field, const std::string& text) {
    const auto shown = fromEngineText(text);
    if (edit(field)->text() != shown) {
        edit(field)->setText(shown);  // only when it differs, so typing keeps its cursor
    }
}

void MainForm::statusChanged(const FormStatus& status) {
    if (status.lastRequest) {
        // Time, kind and numbers always show; a long file name gives way in its middle.
        const auto& last = *status.lastRequest;
        const QString lead = fromEngineText(last.time + "  " + last.kind + "  ");
        const QString numbers =
            last.numbers.empty() ? QString() : fromEngineText("  " + last.numbers);
        const QFontMetrics metrics(lastRequest_->font());
        const int room =
            std::max(24, statusBar()->width() - metrics.horizontalAdvance(lead + numbers) - 40);
        lastRequest_->setText(
            lead + metrics.elidedText(fromEngineText(last.name), Qt::ElideMiddle, room) + numbers);
        lastRequest_->setToolTip(fromEngineText(last.detail));
    }
    if (!status.problem.empty()) {
        // An error or warning names its request here; the message box keeps its text.
        lastRequest_->setText(fromEngineText(status.problem));
        lastRequest_->setToolTip(fromEngineText(status.problem));
    }
    folderWarning_->setText(fromEngineText(status.folderWarning));
    folderWarning_->setVisible(!status.folderWarning.empty());
}

}  // namespace kelmar::ui
