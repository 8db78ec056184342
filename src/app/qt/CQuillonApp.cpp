#include "app/qt/CQuillonApp.h"

#include <QLineEdit>
#include <QMetaObject>
#include <cstdio>

#include "app/PolicyGate.h"
#include "app/RunSetup.h"
#include "app/qt/CQuillonDlg.h"
#include "app/qt/DialogTemplate.h"

namespace quillon::gui {

CQuillonApp::CQuillonApp(int& argc, char** argv) : QApplication(argc, argv) {}

int CQuillonApp::InitInstance(const DialogOptions& options) {
    RunOptions run;
    run.program = "quillon-gui";
    run.simulate = options.simulate;
    run.scenario = options.scenario;
    RunSetup setup;
    std::string error;
    if (!setup.Open(run, error)) {
        std::fprintf(stderr, "quillon-gui: %s\n", error.c_str());
        return 1;
    }

    auto state = std::make_unique<SharedState>();
    StdFileSystem files;
    // Read once, as the dialog opens; with none there every run is as it always was.
    const std::unique_ptr<PolicyGate> gate = GateOf(options.policy);
    CQuillonDlg dialog(*state, setup.Hid(), files);
    dialog.Controller().Enforce(gate.get());
    dialog.Controller().BeforeLoad(
        [&setup, &dialog] { setup.FitTo(dialog.PathBoxText().toStdString()); });
    if (!options.file.empty()) {
        static_cast<QLineEdit*>(dialog.Control(kPathBox))
            ->setText(QString::fromStdString(options.file));
    }
    if (options.start) {
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.OnStartUpdate(); }, Qt::QueuedConnection);
    }
    dialog.exec();
    return 0;
}

}  // namespace quillon::gui
