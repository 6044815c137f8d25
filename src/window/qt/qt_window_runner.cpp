#include "form/window_runner.hpp"

#include <QApplication>
#include <QIcon>
#include <cstdlib>
#include <iostream>
#include <string>

#if defined(__linux__)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "form/form_model.hpp"
#include "window/qt/qt_main_form.hpp"

namespace kelmar::ui {

namespace {

#if defined(__linux__)
// Qt keeps its runtime files in XDG_RUNTIME_DIR and complains on every start when a
// plain box (no login session, a container) sets none: give it a folder of its own,
// private to this user, as a session would.
void provideRuntimeFolder() {
    const char* given = std::getenv("XDG_RUNTIME_DIR");
    if (given != nullptr && *given != '\0') {
        return;
    }
    const char* temporary = std::getenv("TMPDIR");
    std::string folder = (temporary != nullptr && *temporary == '/') ? temporary : "/tmp";
    folder += "/kelmar-sim-runtime-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat entry {};
    // Only a real folder of ours that no one else may enter: another user could have
    // made the name first.
    if (::lstat(folder.c_str(), &entry) != 0 || !S_ISDIR(entry.st_mode) ||
        entry.st_uid != ::getuid() || (entry.st_mode & 0077) != 0) {
        std::string pattern = folder + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            return;  // Qt's own fallback and its warning
        }
        folder = pattern;
    }
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}
#endif

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
    provideRuntimeFolder();
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelmar-sim"));
    QApplication::setApplicationDisplayName(applicationTitle());
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("kelmar-sim"), QIcon(QStringLiteral(":/kelmar-sim.svg"))));
    QtMessageBoxPresenter presenter;
    FormModel model(simulator.state(), simulator.settingsFile(), simulator.tick(), presenter,
                    simulator.clock());
    model.setProfileOverride(simulator.profileOverride());
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
