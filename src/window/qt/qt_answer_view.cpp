#include "window/qt/qt_answer_view.hpp"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "form/form_texts.hpp"
#include "platform/native_path.hpp"
#include "window/qt/qt_main_form.hpp"

namespace kelmar::ui {

QtAnswerView::QtAnswerView(FormModel& model, const HistoryEntry& entry, QWidget* parent)
    : QDialog(parent), model_(model), files_(entry.written) {
    setObjectName("answerView");
    setWindowTitle(fromEngineText(std::string(kAnswerViewCaption) + " - " + entry.request));
    auto* layout = new QVBoxLayout(this);
    fileList_ = new QListWidget(this);
    fileList_->setObjectName("answerFiles");
    for (const auto& path : files_) {
        fileList_->addItem(fromEngineText(platform::displayPath(path)));
    }
    fileList_->setMaximumHeight(fileList_->sizeHintForRow(0) * 6 + 8);
    layout->addWidget(fileList_);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("answerText");
    text_->setReadOnly(true);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(text_, 1);
    problem_ = new QLabel(this);
    problem_->setObjectName("answerProblem");
    problem_->setWordWrap(true);
    layout->addWidget(problem_);
    auto* buttons = new QHBoxLayout();
    auto* outside = new QPushButton(fromEngineText(kOpenOutsideCaption), this);
    outside->setObjectName("BtAbrirNoSistema");
    auto* close = new QPushButton(QStringLiteral("OK"), this);
    buttons->addWidget(outside);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(640, 480);

    connect(fileList_, &QListWidget::currentRowChanged, this, &QtAnswerView::showFile);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(outside, &QPushButton::clicked, this, [this] {
        const int row = fileList_->currentRow();
        if (row >= 0 && !model_.openFile(files_[static_cast<std::size_t>(row)])) {
            problem_->setText(fromEngineText(model_.status().problem));
        }
    });
    // The answer in retorno first, as the history's entry names it.
    const auto answer = std::find(files_.begin(), files_.end(), entry.answerFile);
    fileList_->setCurrentRow(answer == files_.end() ? 0
                                                    : static_cast<int>(answer - files_.begin()));
}

void QtAnswerView::showFile(int row) {
    problem_->clear();
    if (row < 0 || static_cast<std::size_t>(row) >= files_.size()) {
        text_->clear();
        return;
    }
    text_->setPlainText(
        fromEngineText(FormModel::documentText(files_[static_cast<std::size_t>(row)])));
}

}  // namespace kelmar::ui
