#pragma once

#include <QMainWindow>
#include <memory>

#include "form/form_model.hpp"
#include "form/message_presenter.hpp"

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QToolButton;

namespace kelmar::ui {

// The operator's window in Qt: the three counters and the exchange folder, a Save
// button, the outcome to simulate, and the timer that drives the engine once a second.
// All it does beyond showing controls is the form model's; this class only binds the
// model to Qt's widgets.
class QtMainForm final : public QMainWindow, private FormObserver {
    Q_OBJECT

  public:
    // Runs FormCreate on the model and starts the timer.
    explicit QtMainForm(FormModel& model, QWidget* parent = nullptr);
    ~QtMainForm() override;

    // Saves the four fields.
    void BtSalvarClick();
    // One polling tick. Held back while an error message from an earlier one is open.
    void Timer1Timer();

  private:
    void buildControls();
    void buildFields(QGridLayout* grid);
    void buildOutcomes(QGridLayout* grid);
    void buildHistory(QGridLayout* grid);
    void buildStatusBar();
    void showHistory(bool shown);
    void keepOnScreen();
    void selectionChanged();
    void bindModel();
    QLineEdit* edit(settings::StateField field) const;
    void fieldChanged(settings::StateField field, const std::string& text) override;
    void statusChanged(const FormStatus& status) override;
    void historyChanged(const RequestHistory& history) override;

    FormModel& model_;
    std::unique_ptr<DesktopOpener> opener_;

    QLineEdit* ELote = nullptr;
    QLineEdit* ERecibo = nullptr;
    QLineEdit* EProtocolo = nullptr;
    QLineEdit* EPasta = nullptr;
    QPushButton* BtSalvar = nullptr;
    QGroupBox* RGTipoRet = nullptr;
    QButtonGroup* returnKinds_ = nullptr;
    QTimer* Timer1 = nullptr;
    QLabel* lastRequest_ = nullptr;
    QLabel* folderWarning_ = nullptr;
    QLabel* scenarios_ = nullptr;
    QLabel* layout_ = nullptr;
    // Below the original controls: the toggle and, expanded, the history.
    QToolButton* BtHistorico = nullptr;
    QWidget* historyPanel_ = nullptr;
    QListWidget* historyList_ = nullptr;
    QPushButton* BtAbrirResposta = nullptr;
    QPushButton* BtAbrirPasta = nullptr;
};

// Opens files and folders through the desktop's own handlers (the file manager for a
// folder).
class QtDesktopOpener final : public DesktopOpener {
  public:
    bool open(const std::string& pathText) override;
};

// The application's title, used as the caption of the window's message boxes.
QString applicationTitle();

// Shows errors in a modal box with an error icon and one OK button.
class QtMessageBoxPresenter final : public MessagePresenter {
  public:
    explicit QtMessageBoxPresenter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void showError(std::string_view message) override;

  private:
    QWidget* parent_;
};

// Converts between the engine's Windows-1252 texts and the window's Unicode.
QString fromEngineText(std::string_view text);
std::string toEngineText(const QString& text);

}  // namespace kelmar::ui
