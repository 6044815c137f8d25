// The Windows program's window: the Win32 form bound to the simulator's form model.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "form/form_model.hpp"
#include "form/window_runner.hpp"
#include "window/win32/win32_main_form.hpp"
#include "window/win32/win32_message_box.hpp"

namespace kelmar::ui {

namespace {

int openAndRun(engine::Simulator& simulator, win32::Win32MessageBoxPresenter& presenter) {
    FormModel model(simulator.state(), simulator.settingsFile(), simulator.tick(), presenter,
                    simulator.clock());
    model.setProfileOverride(simulator.profileOverride());
    win32::Win32MainForm form(model, presenter, ::GetModuleHandleW(nullptr));  // loads the settings
    presenter.setOwner(form.handle());
    simulator.removeLeftovers();
    form.show(SW_SHOWDEFAULT);
    const int status = win32::runMessageLoop(form.handle());
    presenter.setOwner(nullptr);
    return status;
}

int runWin32Window(engine::Simulator& simulator) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);  // the status bar's class

    win32::Win32MessageBoxPresenter presenter;
    try {
        return openAndRun(simulator, presenter);
    } catch (const std::exception& error) {
        // The window could not be made: a program with no console says why in a box.
        presenter.setOwner(nullptr);
        presenter.showError(error.what());
        return 1;
    }
}

}  // namespace

WindowRunner makeWindowRunner(int&, char**) {
    return runWin32Window;
}

}  // namespace kelmar::ui
