// quillon-gui-screenshot: pictures of the real dialog for the README, drawn offscreen during a
// run against a simulated device: the dialog mid-run, its final box, and the dialog at the end.
// Usage: quillon-gui-screenshot FIRMWARE.fw OUTPUT_DIR
#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/RunSetup.h"
#include "app/qt/CQuillonDlg.h"
#include "app/qt/DialogTemplate.h"

using namespace quillon;
using namespace quillon::gui;

namespace {

bool Save(QWidget& widget, const QString& path) {
    const bool ok = widget.grab().save(path, "PNG");
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write",
                 path.toLocal8Bit().constData());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: quillon-gui-screenshot FIRMWARE.fw OUTPUT_DIR\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    const QString firmware = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    auto st = std::make_unique<SharedState>();
    // Real time, so that the bar moves as it does for the operator.
    RunOptions run;
    run.simulate = true;
    RunSetup setup;
    std::string error;
    if (!setup.Open(run, error)) return 1;
    StdFileSystem files;
    CQuillonDlg dialog(*st, setup.Hid(), files);
    dialog.Controller().BeforeLoad([&] { setup.FitTo(dialog.PathBoxText().toStdString()); });
    dialog.show();
    static_cast<QLineEdit*>(dialog.Control(kPathBox))->setText(firmware);

    bool ok = true, running = false;
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!running && st->g_progressPercent >= 60) {
            running = true;
            ok = Save(dialog, out + "/dialog-running.png") && ok;
        }
        // Boxes are pictured and closed from inside their own event loop.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ok = Save(*box, out + "/dialog-box.png") && ok;
            box->button(QMessageBox::Ok)->click();
        }
        if (!dialog.Controller().Busy() && st->g_bProgressActive == 0) loop.quit();
    });

    dialog.OnStartUpdate();
    if (!dialog.Controller().Busy()) {
        std::fputs("quillon-gui-screenshot: the file was refused\n", stderr);
        return 1;
    }
    watch.start(1);
    loop.exec();
    dialog.OnTimer();
    ok = Save(dialog, out + "/dialog-done.png") && ok && running;
    return ok && dialog.Controller().WaitForRun() == 0 ? 0 : 1;
}
