#pragma once

#include <QDialog>

#include "form/form_model.hpp"

class QListWidget;
class QPlainTextEdit;
class QLabel;

namespace kelmar::ui {

// The window's own read-only view of what one request wrote: every file listed, the
// chosen one's text below, and a button that hands it to the desktop as well.
class QtAnswerView final : public QDialog {
  public:
    QtAnswerView(FormModel& model, const HistoryEntry& entry, QWidget* parent);

  private:
    void showFile(int row);

    FormModel& model_;
    std::vector<std::string> files_;
    QListWidget* fileList_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QLabel* problem_ = nullptr;
};

}  // namespace kelmar::ui
