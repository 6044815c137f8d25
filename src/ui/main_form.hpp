#pragma once

#include <QMainWindow>

#include "engine/message_presenter.hpp"
#include "engine/polling_tick.hpp"
#include "settings/settings_file.hpp"
#include "settings/simulator_state.hpp"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kelmar::ui {

// The operator's window: the three counters and the exchange folder, a Save button, the
// outcome to simulate, and the timer that drives the engine once a second. The four
// fields and the outcome choice are the simulator's live state: the engine sees every
// edit at its next use and every advance it makes shows here at once.
class MainForm final : public QMainWindow, private engine::TickObserver {
    Q_OBJECT

  public:
    static constexpr int kTimerInterval = 1000;

    MainForm(settings::SimulatorState& state, const settings::SettingsFile& settingsFile,
             engine::PollingTick& tick, engine::MessagePresenter& presenter,
             QWidget* parent = nullptr);
    ~MainForm() override;

    // Loads the settings into the fields.
    void FormCreate();
    // Saves the four fields.
    void BtSalvarClick();
    // One polling tick. Held back while an error message from an earlier one is open.
    void Timer1Timer();

  private:
    void buildControls();
    void bindState();
    void showField(settings::StateField field);
    void requestHandled(const engine::DispatchRecord& record) override;
    void checkExchangeFolder();
    void report(const std::exception& error);

    settings::SimulatorState& state_;
    const settings::SettingsFile& settingsFile_;
    engine::PollingTick& tick_;
    engine::MessagePresenter& presenter_;
    bool busy_ = false;

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
class MessageBoxPresenter final : public engine::MessagePresenter {
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
