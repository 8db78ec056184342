#include "app/win32/QuillonApp.h"

#include <commctrl.h>

#include <memory>

#include "app/win32/AppOptions.h"
#include "app/win32/QuillonDlg.h"
#include "app/win32/resource.h"
#include "hid/SystemHid.h"
#include "hid/win32/WideText.h"
#include "sim/SimulatedBus.h"

namespace quillon::win32 {

void CQuillonApp::Tell(const std::string& text) const {
    ::MessageBoxW(nullptr, WideFromUtf8(text).c_str(), L"Quillon", MB_OK);
}

bool CQuillonApp::InitInstance(const std::vector<std::string>& args) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = 8;  // the structure's size
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    AppOptions options;
    std::string error;
    if (!ParseAppOptions(args, options, error)) {
        Tell(error + "\n\n" + kAppUsage);
        exitCode_ = 2;
        return false;
    }

    std::unique_ptr<sim::SimulatedBus> bus;
    std::unique_ptr<HidPlatform> system;
    HidPlatform* hid = nullptr;
    if (options.simulate) {
        bus = std::make_unique<sim::SimulatedBus>(false);
        if (!options.scenario.empty() && !bus->UseScenarioFile(options.scenario, error)) {
            Tell(options.scenario + ": " + error);
            exitCode_ = 1;
            return false;
        }
        hid = bus.get();
    } else {
        system = MakeSystemHidPlatform(error);
        if (!system) {
            Tell(error);
            exitCode_ = 1;
            return false;
        }
        hid = system.get();
    }

    auto state = std::make_unique<SharedState>();
    StdFileSystem files;
    DialogHooks hooks;
    if (bus && !bus->HasScenario()) {
        // Without a scenario the bus holds one device that fits the file about to be updated.
        hooks.beforeUpdate = [&bus](const std::string& path) { bus->FitToFile(path); };
    }
    hooks.onInit = [&options](HWND dialog) {
        if (!options.file.empty()) {
            ::SetDlgItemTextW(dialog, IDC_PATH, WideFromUtf8(options.file).c_str());
        }
        if (options.start) {
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_UPDATE, BN_CLICKED), 0);
        }
    };
    CQuillonDlg dialog(*state, *hid, files, std::move(hooks));
    if (dialog.DoModal(instance_) == -1) exitCode_ = 1;
    return false;
}

}  // namespace quillon::win32
