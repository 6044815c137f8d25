// The Windows program's window: the Win32 form bound to the simulator's form model.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "ui/form_model.hpp"
#include "ui/win32/main_form.hpp"
#include "ui/win32/message_box_presenter.hpp"
#include "ui/win32_window.hpp"

namespace kelmar::ui {

namespace {

int openAndRun(engine::Simulator& simulator, win32::MessageBoxPresenter& presenter) {
    FormModel model(simulator.state(), simulator.settingsFile(), simulator.tick(), presenter,
                    simulator.clock());
    win32::MainForm form(model, presenter, ::GetModuleHandleW(nullptr));  // loads the settings
    presenter.setOwner(form.handle());
    simulator.removeLeftovers();
    form.show(SW_SHOWDEFAULT);
    const int status = win32::runMessageLoop(form.handle());
    presenter.setOwner(nullptr);
    return status;
}

}  // namespace

int runWin32Window(engine::Simulator& simulator) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);  // the status bar's class

    win32::MessageBoxPresenter presenter;
    try {
        return openAndRun(simulator, presenter);
    } catch (const std::exception& error) {
        // The window could not be made: a program with no console says why in a box.
        presenter.setOwner(nullptr);
        presenter.showError(error.what());
        return 1;
    }
}

}  // namespace kelmar::ui
