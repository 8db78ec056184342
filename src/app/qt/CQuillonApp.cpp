#include "app/qt/CQuillonApp.h"

#include <cstdio>
#include <memory>
#include <set>

#include "app/qt/CQuillonDlg.h"
#include "hid/OpenDeniedNotices.h"
#include "hid/SystemHid.h"
#include "sim/SimulatedBus.h"

namespace quillon::gui {

namespace {

// A device node the user may not open is named on standard error once, with the fix.
void TellOpenDenied(HidPlatform& hid) {
    auto* notices = dynamic_cast<OpenDeniedNotices*>(&hid);
    if (notices == nullptr) return;
    auto told = std::make_shared<std::set<std::string>>();
    notices->OnOpenDenied([told](const std::string& node, const std::string& fix) {
        if (!told->insert(node).second) return;
        std::fprintf(stderr, "quillon-gui: no permission to open %s: %s\n", node.c_str(),
                     fix.c_str());
    });
}

}  // namespace

CQuillonApp::CQuillonApp(int& argc, char** argv) : QApplication(argc, argv) {}

int CQuillonApp::InitInstance(const GuiOptions& options) {
    std::unique_ptr<sim::SimulatedBus> bus;
    std::unique_ptr<HidPlatform> system;
    HidPlatform* hid = nullptr;
    if (options.simulate) {
        bus = std::make_unique<sim::SimulatedBus>(false);
        std::string error;
        if (!options.scenario.empty() && !bus->UseScenarioFile(options.scenario, error)) {
            std::fprintf(stderr, "quillon-gui: %s: %s\n", options.scenario.c_str(), error.c_str());
            return 1;
        }
        hid = bus.get();
    } else {
        std::string reason;
        system = MakeSystemHidPlatform(reason);
        if (!system) {
            std::fprintf(stderr, "quillon-gui: %s\n", reason.c_str());
            return 1;
        }
        TellOpenDenied(*system);
        hid = system.get();
    }

    auto state = std::make_unique<SharedState>();
    StdFileSystem files;
    CQuillonDlg dialog(*state, *hid, files);
    if (bus) {
        dialog.Controller().BeforeLoad(
            [&bus, &dialog] { bus->FitToFile(dialog.PathBoxText().toStdString()); });
    }
    dialog.exec();
    return 0;
}

}  // namespace quillon::gui
