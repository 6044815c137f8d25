#include "window/qt/qt_main_form.hpp"

#include <QButtonGroup>
#include <QColor>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "form/form_texts.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"
#include "window/qt/qt_answer_view.hpp"

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

bool QtDesktopOpener::open(const std::string& pathText) {
    const auto native = platform::toNativePath(pathText);
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdU16String(native.u16string())));
}

QString applicationTitle() {
    return fromEngineText(kFormCaption);
}

void QtMessageBoxPresenter::showError(std::string_view message) {
    QMessageBox box(QMessageBox::Critical, applicationTitle(),
                    fromEngineText(platform::displayMessage(withClosingFullStop(message))),
                    QMessageBox::Ok, parent_);
    box.exec();
}

QtMainForm::QtMainForm(FormModel& model, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model),
      opener_(std::make_unique<QtDesktopOpener>()) {
    setObjectName("MainForm");
    model_.setDesktopOpener(opener_.get());
    setWindowTitle(applicationTitle());
    buildControls();
    model_.setObserver(this);
    model_.formCreate();
    bindModel();
    setFixedSize(sizeHint());
    move(328, 255);
    Timer1->start();
}

QtMainForm::~QtMainForm() {
    model_.setObserver(nullptr);
    model_.setDesktopOpener(nullptr);
}

void QtMainForm::buildControls() {
    auto* client = new QWidget(this);
    auto* grid = new QGridLayout(client);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    buildFields(grid);
    buildOutcomes(grid);
    buildHistory(grid);
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

void QtMainForm::buildFields(QGridLayout* grid) {
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

void QtMainForm::buildOutcomes(QGridLayout* grid) {
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

void QtMainForm::buildHistory(QGridLayout* grid) {
    auto* client = grid->parentWidget();
    BtHistorico = new QToolButton(client);
    BtHistorico->setObjectName("BtHistorico");
    BtHistorico->setText(fromEngineText(kHistoryCaption));
    BtHistorico->setCheckable(true);
    BtHistorico->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BtHistorico->setArrowType(Qt::RightArrow);
    BtHistorico->setAutoRaise(true);
    grid->addWidget(BtHistorico, 4, 0, 1, 4, Qt::AlignLeft);

    historyPanel_ = new QWidget(client);
    historyPanel_->setObjectName("historyPanel");
    auto* panel = new QVBoxLayout(historyPanel_);
    panel->setContentsMargins(0, 0, 0, 0);
    historyList_ = new QListWidget(historyPanel_);
    historyList_->setObjectName("historyList");
    historyList_->setMinimumHeight(160);
    historyList_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Two lines per entry, wrapped at the window's width: nothing hides to the right.
    historyList_->setWordWrap(true);
    historyList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    historyList_->setTextElideMode(Qt::ElideMiddle);
    panel->addWidget(historyList_);
    auto* actions = new QHBoxLayout();
    BtAbrirResposta = new QPushButton(fromEngineText(kOpenAnswerCaption), historyPanel_);
    BtAbrirResposta->setObjectName("BtAbrirResposta");
    BtAbrirPasta = new QPushButton(fromEngineText(kOpenFolderCaption), historyPanel_);
    BtAbrirPasta->setObjectName("BtAbrirPasta");
    actions->addWidget(BtAbrirResposta);
    actions->addWidget(BtAbrirPasta);
    actions->addStretch(1);
    panel->addLayout(actions);
    historyPanel_->setVisible(false);
    grid->addWidget(historyPanel_, 5, 0, 1, 4);
    selectionChanged();
}

void QtMainForm::showHistory(bool shown) {
    model_.showHistory(shown);
    BtHistorico->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    historyPanel_->setVisible(shown);
    // The window keeps a fixed size: it grows with the history and shrinks back.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    centralWidget()->layout()->activate();
    layout()->activate();
    // Only its height: a width grown for the status line stays.
    setFixedSize(std::max(width(), sizeHint().width()), sizeHint().height());
    keepOnScreen();
}

// A window that grew past the bottom of its screen moves up, so that its buttons and
// status bar stay in reach.
void QtMainForm::keepOnScreen() {
    const auto* shownOn = screen();
    if (shownOn == nullptr) {
        return;
    }
    const QRect room = shownOn->availableGeometry();
    const int overflow = frameGeometry().bottom() - room.bottom();
    if (overflow > 0) {
        move(x(), std::max(room.top(), y() - overflow));
    }
}

void QtMainForm::selectionChanged() {
    const int row = historyList_->currentRow();
    const bool chosen = row >= 0 && static_cast<std::size_t>(row) < model_.history().size();
    BtAbrirResposta->setEnabled(
        chosen && !model_.history().entries()[static_cast<std::size_t>(row)].written.empty());
    BtAbrirPasta->setEnabled(chosen);
}

void QtMainForm::historyChanged(const RequestHistory& history) {
    // The list mirrors the history, newest first: the new entry goes on top and the
    // oldest leaves at the limit, so a selected row keeps pointing at its entry.
    if (history.size() == 0) {
        return;
    }
    const auto& entry = history.entries().front();
    auto* item = new QListWidgetItem(fromEngineText(entry.twoLines()));
    item->setToolTip(fromEngineText(entry.text()));
    if (!entry.error.empty()) {
        item->setForeground(QColor(0xb0, 0x00, 0x20));
    }
    historyList_->insertItem(0, item);
    while (static_cast<std::size_t>(historyList_->count()) > history.size()) {
        delete historyList_->takeItem(historyList_->count() - 1);
    }
    selectionChanged();
}

void QtMainForm::buildStatusBar() {
    lastRequest_ = new QLabel(this);
    lastRequest_->setObjectName("lastRequest");
    folderWarning_ = new QLabel(this);
    folderWarning_->setObjectName("folderWarning");
    folderWarning_->setStyleSheet(QStringLiteral("color: #b00020;"));
    folderWarning_->setVisible(false);
    statusBar()->addWidget(lastRequest_, 1);
    statusBar()->addPermanentWidget(folderWarning_);
    scenarios_ = new QLabel(this);
    scenarios_->setObjectName("scenarios");
    scenarios_->setVisible(false);
    statusBar()->addPermanentWidget(scenarios_);
    layout_ = new QLabel(this);
    layout_->setObjectName("layout");
    layout_->setVisible(false);
    statusBar()->addPermanentWidget(layout_);
    statusBar()->setSizeGripEnabled(false);
}

void QtMainForm::bindModel() {
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
    connect(Timer1, &QTimer::timeout, this, &QtMainForm::Timer1Timer);
    connect(BtSalvar, &QPushButton::clicked, this, &QtMainForm::BtSalvarClick);
    connect(BtHistorico, &QToolButton::toggled, this, &QtMainForm::showHistory);
    connect(historyList_, &QListWidget::currentRowChanged, this, &QtMainForm::selectionChanged);
    connect(BtAbrirResposta, &QPushButton::clicked, this, [this] {
        const int row = historyList_->currentRow();
        if (row >= 0 && static_cast<std::size_t>(row) < model_.history().size()) {
            // Shown beside the window, which keeps answering while it is open.
            auto* view = new QtAnswerView(
                model_, model_.history().entries()[static_cast<std::size_t>(row)], this);
            view->setAttribute(Qt::WA_DeleteOnClose);
            view->show();
        }
    });
    connect(BtAbrirPasta, &QPushButton::clicked, this, [this] { model_.openExchangeFolder(); });
}

QLineEdit* QtMainForm::edit(StateField field) const {
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

void QtMainForm::BtSalvarClick() {
    model_.save();
}

void QtMainForm::Timer1Timer() {
    model_.timerTick();
}

void QtMainForm::fieldChanged(StateField field, const std::string& text) {
    const auto shown = fromEngineText(text);
    if (edit(field)->text() != shown) {
        edit(field)->setText(shown);  // only when it differs, so typing keeps its cursor
    }
}

void QtMainForm::statusChanged(const FormStatus& status) {
    // The notes take the right at their full width; the last request gets what is left.
    folderWarning_->setText(fromEngineText(status.folderWarning));
    folderWarning_->setVisible(!status.folderWarning.empty());
    scenarios_->setText(fromEngineText(status.scenarios));
    scenarios_->setVisible(!status.scenarios.empty());
    layout_->setText(fromEngineText(status.layout));
    layout_->setVisible(!status.layout.empty());
    if (status.lastRequest) {
        // Time, kind, outcome and numbers always show; a long file name gives way in its
        // middle.
        const QFontMetrics metrics(lastRequest_->font());
        int room = statusBar()->width() - 40;
        for (const auto* note : {folderWarning_, scenarios_, layout_}) {
            if (!note->isHidden()) {
                room -= note->sizeHint().width() + statusBar()->layout()->spacing();
            }
        }
        // When even the line with its name cut to nothing leaves no room for the notes,
        // the window widens rather than cut a number.
        const auto shortest =
            fromEngineText(status.lastRequest->textFitting([](std::string_view) { return false; }));
        const int missing = metrics.horizontalAdvance(shortest) - room;
        if (missing > 0 && isVisible()) {
            setFixedWidth(width() + missing);
            keepOnScreen();
            room += missing;
        }
        room = std::max(24, room);
        lastRequest_->setText(
            fromEngineText(status.lastRequest->textFitting([&](std::string_view line) {
                return metrics.horizontalAdvance(fromEngineText(line)) <= room;
            })));
        lastRequest_->setToolTip(fromEngineText(status.lastRequest->detail));
    }
    if (!status.problem.empty()) {
        // An error or warning names its request here; the message box keeps its text.
        lastRequest_->setText(fromEngineText(status.problem));
        lastRequest_->setToolTip(fromEngineText(status.problem));
    }
}

}  // namespace kelmar::ui
