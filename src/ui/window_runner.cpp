#include "ui/window_runner.hpp"

#include <QApplication>
#include <QIcon>

#include "ui/main_form.hpp"

namespace kelmar::ui {

int runWindow(int& argc, char** argv, engine::Simulator& simulator) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelmar-sim"));
    QApplication::setApplicationDisplayName(applicationTitle());
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("kelmar-sim"), QIcon(QStringLiteral(":/kelmar-sim.svg"))));
    MessageBoxPresenter presenter;
    MainForm form(simulator.state(), simulator.settingsFile(), simulator.tick(), presenter);
    presenter.setParent(&form);
    form.show();
    return QApplication::exec();
}

}  // namespace kelmar::ui
