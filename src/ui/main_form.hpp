#pragma once

#include <QMainWindow>

#include "ui/form_model.hpp"
#include "ui/message_presenter.hpp"

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kelmar::ui {

// The operator's window in Qt: the three counters and the exchange folder, a Save
// button, the outcome to simulate, and the timer that drives the engine once a second.
// All it does beyond showing controls is the form model's; this class only binds the
// model to Qt's widgets.
class MainForm final : public QMainWindow, private FormObserver {
    Q_OBJECT

  public:
    // Runs FormCreate on the model and starts the timer.
    explicit MainForm(FormModel& model, QWidget* parent = nullptr);
    ~MainForm() override;

    // Saves the four fields.
    void BtSalvarClick();
    // One polling tick. Held back while an error message from an earlier one is open.
    void Timer1Timer();

  private:
    void buildControls();
    void buildFields(QGridLayout* grid);
    void buildOutcomes(QGridLayout* grid);
    void buildStatusBar();
    void bindModel();
    QLineEdit* edit(settings::StateField field) const;
    void fieldChanged(settings::StateField field, const std::string& text) override;
    void statusChanged(const FormStatus& status) override;

    FormModel& model_;

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
};

// The application's title, used as the caption of the window's message boxes.
QString applicationTitle();

// Shows errors in a modal box with an error icon and one OK button.
class MessageBoxPresenter final : public MessagePresenter {
  public:
    explicit MessageBoxPresenter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void showError(std::string_view message) override;

  private:
    QWidget* parent_;
};

// Converts between the engine's Windows-1252 texts and the window's Unicode.
QString fromEngineText(std::string_view text);
std::string toEngineText(const QString& text);

}  // namespace kelmar::ui
