#include "form/window_runner.hpp"

#include <QApplication>
#include <QIcon>
#include <cstdlib>
#include <iostream>

#include "form/form_model.hpp"
#include "window/qt/qt_main_form.hpp"

namespace kelmar::ui {

namespace {

int runWindow(int& argc, char** argv, engine::Simulator& simulator) {
#if defined(__linux__)
    // Without a display Qt would abort; say what to do instead.
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM")) {
        std::cerr
            << "kelmar-sim: no display to open the window on; use --headless to run without one\n";
        return 1;
    }
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelmar-sim"));
    QApplication::setApplicationDisplayName(applicationTitle());
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("kelmar-sim"), QIcon(QStringLiteral(":/kelmar-sim.svg"))));
    QtMessageBoxPresenter presenter;
    FormModel model(simulator.state(), simulator.settingsFile(), simulator.tick(), presenter,
                    simulator.clock());
    QtMainForm form(model);  // loads the settings
    presenter.setParent(&form);
    simulator.removeLeftovers();
    form.show();
    return QApplication::exec();
}

}  // namespace

WindowRunner makeWindowRunner(int& argc, char** argv) {
    return [&argc, argv](engine::Simulator& simulator) { return runWindow(argc, argv, simulator); };
}

}  // namespace kelmar::ui
