#include "app/win32/QuillonApp.h"

#include <commctrl.h>

#include <memory>

#include "app/DialogArgs.h"
#include "app/PolicyGate.h"
#include "app/RunSetup.h"
#include "app/win32/QuillonDlg.h"
#include "app/win32/resource.h"
#include "hid/win32/WideText.h"

namespace quillon::win32 {

void CQuillonApp::Tell(const std::string& text) const {
    ::MessageBoxW(nullptr, WideFromUtf8(text).c_str(), L"Quillon", MB_OK);
}

bool CQuillonApp::InitInstance(const std::vector<std::string>& args) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = 8;  // the structure's size
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    DialogOptions options;
    std::string error;
    if (!ParseDialogArgs(args, options, error)) {
        Tell(error + "\n\n" + DialogUsage("Quillon"));
        exitCode_ = 2;
        return false;
    }
    if (options.help) {
        Tell(DialogUsage("Quillon"));
        return false;
    }

    RunOptions run;
    run.program = "Quillon";
    run.simulate = options.simulate;
    run.scenario = options.scenario;
    RunSetup setup;
    if (!setup.Open(run, error)) {
        Tell(error);
        exitCode_ = 1;
        return false;
    }

    auto state = std::make_unique<SharedState>();
    StdFileSystem files;
    DialogHooks hooks;
    // A simulated bus without a scenario holds one device that fits the file about to be updated.
    hooks.beforeUpdate = [&setup](const std::string& path) { setup.FitTo(path); };
    hooks.onInit = [&options](HWND dialog) {
        if (!options.file.empty()) {
            ::SetDlgItemTextW(dialog, IDC_PATH, WideFromUtf8(options.file).c_str());
        }
        if (options.start) {
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_UPDATE, BN_CLICKED), 0);
        }
    };
    // Read once, as the dialog opens; with none there every run is as it always was.
    const std::unique_ptr<PolicyGate> gate = GateOf(options.policy);
    CQuillonDlg dialog(*state, setup.Hid(), files, std::move(hooks));
    dialog.Enforce(gate.get());
    if (dialog.DoModal(instance_) == -1) exitCode_ = 1;
    return false;
}

}  // namespace quillon::win32
