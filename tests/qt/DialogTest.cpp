// The dialog itself, offscreen: layout from the template, Enter, the controls and the progress
// display over a run, the worker's texts, the refused close, browsing, and a whole run against
// the simulated devices on virtual time.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include "BoxCloser.h"
#include "app/PolicyGate.h"
#include "app/qt/CQuillonDlg.h"
#include "app/qt/DialogTemplate.h"
#include "firmware/Sha256.h"
#include "sim/SimulatedBus.h"
#include "state/Texts.h"
#include "support/TempDir.h"
#include "support/TestFileSystem.h"

using namespace quillon;
using namespace quillon::gui;
using quillon::gui::test::BoxCloser;
using quillon::gui::test::SeenBox;

namespace {

const QString kFirmware = QStringLiteral(QUILLON_EXAMPLES "/scanner-model3.fw");
constexpr int kGuardMs = 60000;  // only against a hang; nothing here is timed

// A dialog on a simulated bus with virtual time, fitted to each file as quillon-gui does.
struct Bench {
    Bench() {
        dlg.Controller().BeforeLoad([this] { bus.FitToFile(dlg.PathBoxText().toStdString()); });
        dlg.show();
    }
    QWidget* Control(int id) { return dlg.Control(id); }
    QLineEdit* PathBox() { return static_cast<QLineEdit*>(Control(kPathBox)); }
    QProgressBar* Bar() { return static_cast<QProgressBar*>(Control(kProgressBar)); }
    QString PercentLabel() { return static_cast<QLabel*>(Control(kStaticId))->text(); }
    QString StatusLine() { return static_cast<QLabel*>(Control(kStatusLine))->text(); }
    void StopTimer() { dlg.findChild<QTimer*>(QStringLiteral("timer1"))->stop(); }
    bool Busy() { return dlg.Controller().Busy(); }
    bool WaitIdle() {
        return QTest::qWaitFor([this] { return !Busy(); }, kGuardMs);
    }
    bool AllEnabled(bool enabled) {
        for (int id : {kPathBox, kBrowseButton, kUpdateButton, kReadBackCheck}) {
            if (Control(id)->isEnabled() != enabled) return false;
        }
        return true;
    }

    quillon::test::TempDir dir;
    std::unique_ptr<SharedState> st = std::make_unique<SharedState>();
    sim::SimulatedBus bus{true};
    quillon::test::TestFileSystem files{dir.Path()};
    CQuillonDlg dlg{*st, bus, files};
};

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

  private slots:
    void LayoutFollowsTheTemplate() {
        Bench b;
        const DialogBaseUnits base = b.dlg.BaseUnits();
        QVERIFY(base.avgCharWidth > 0 && base.charHeight > 0);
        const UnitRect size = DialogToPixels({0, 0, kDialogWidthUnits, kDialogHeightUnits}, base);
        QCOMPARE(b.dlg.size(), QSize(size.width, size.height));
        QCOMPARE(b.dlg.minimumSize(), b.dlg.maximumSize());
        QCOMPARE(b.dlg.windowTitle(), QStringLiteral("TARVO Update Tool V2"));
        const Qt::WindowFlags flags = b.dlg.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));

        const QList<QWidget*> children = b.dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        int index = 0;
        for (const ControlTemplate& c : MainDialogTemplate()) {
            QWidget* w = children.at(index++);  // created in template order
            QCOMPARE(w->objectName(), QString::number(c.id));
            const UnitRect r = DialogToPixels(c.rect, base);
            QCOMPARE(w->geometry(), QRect(r.x, r.y, r.width, r.height));
            QCOMPARE(w->isVisible(), c.shown);
            const QString text = Q(c.text);
            if (auto* button = qobject_cast<QAbstractButton*>(w)) QCOMPARE(button->text(), text);
            if (auto* label = qobject_cast<QLabel*>(w)) QCOMPARE(label->text(), text);
            if (auto* edit = qobject_cast<QLineEdit*>(w)) QCOMPARE(edit->text(), text);
        }
        QCOMPARE(b.Control(kStaticId)->geometry().x(), DialogToPixels({137, 81, 19, 8}, base).x);
        QCOMPARE(static_cast<QLabel*>(b.Control(kStatusLine))->alignment() & Qt::AlignHCenter,
                 Qt::AlignHCenter);
        QCOMPARE(b.Bar()->minimum(), 0);
        QCOMPARE(b.Bar()->maximum(), 100);
        QCOMPARE(b.Bar()->value(), 0);
        QCOMPARE(b.Bar()->palette().color(QPalette::Highlight), QColor(0, 255, 0));

        // Tab order: path box, browse, update (the hidden ones are skipped by Qt).
        QCOMPARE(b.PathBox()->nextInFocusChain(), b.Control(kBrowseButton));
        QCOMPARE(b.Control(kBrowseButton)->nextInFocusChain(), b.Control(kUpdateButton));
    }

    void EnterOnTheBrowseButton_data() {
        QTest::addColumn<bool>("goodFile");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("no file: the refusal")
            << false << int(Qt::Key_Return) << QStringList{Q(text::kSelectFile)};
        QTest::newRow("a file: the run")
            << true << int(Qt::Key_Return) << QStringList{Q(text::kDone)};
        QTest::newRow("keypad Enter") << true << int(Qt::Key_Enter) << QStringList{Q(text::kDone)};
    }
    void EnterOnTheBrowseButton() {
        QFETCH(bool, goodFile);
        QFETCH(int, key);
        QFETCH(QStringList, boxes);
        Bench b;
        BoxCloser closer;
        if (goodFile) b.PathBox()->setText(kFirmware);
        b.Control(kBrowseButton)->setFocus();
        QTest::keyClick(b.Control(kBrowseButton), Qt::Key(key));
        QCOMPARE(b.Busy(), goodFile);
        QVERIFY(b.WaitIdle());
        QVERIFY(QTest::qWaitFor([&] { return closer.texts.size() >= boxes.size(); }, kGuardMs));
        QCOMPARE(closer.texts, boxes);
        QCOMPARE(closer.fileDialogs, 0);
        QVERIFY(b.dlg.isVisible());  // Enter never closes the dialog
    }

    void EnterDuringARunDoesNothing() {
        Bench b;
        BoxCloser closer;
        b.PathBox()->setText(kFirmware);
        QTest::keyClick(b.PathBox(), Qt::Key_Return);
        QVERIFY(b.Busy());
        QCOMPARE(b.files.opens, 1);
        // The worker cannot finish before this thread shows its last box, so the run is on.
        for (QWidget* w : {static_cast<QWidget*>(b.PathBox()), b.Control(kBrowseButton),
                           b.Control(kUpdateButton), static_cast<QWidget*>(&b.dlg)}) {
            QTest::keyClick(w, Qt::Key_Return);
        }
        QCOMPARE(b.files.opens, 1);  // the loader did not run again
        QVERIFY(b.WaitIdle());
        QCOMPARE(closer.texts, QStringList{Q(text::kDone)});
        QCOMPARE(b.files.opens, 2);  // the run's own re-read, nothing more
        QCOMPARE(closer.fileDialogs, 0);
    }

    void ControlsOffDuringARunBackWithinOneTick() {
        Bench b;
        BoxCloser closer;
        b.StopTimer();
        QVERIFY(b.AllEnabled(true));
        b.PathBox()->setText(kFirmware);
        static_cast<QPushButton*>(b.Control(kUpdateButton))->click();
        QVERIFY(b.Busy());
        QVERIFY(b.AllEnabled(false));
        QVERIFY(b.WaitIdle());
        QVERIFY(b.AllEnabled(false));  // no tick yet
        b.dlg.OnTimer();
        QVERIFY(b.AllEnabled(true));
        QVERIFY(b.Control(kReadBackCheck)->isHidden());
        QVERIFY(b.Control(kHiddenButton)->isHidden());
    }

    void BarAndLabelReachAHundredAndNoMore() {
        Bench b;
        BoxCloser closer;
        b.StopTimer();
        b.PathBox()->setText(kFirmware);
        QTest::keyClick(b.PathBox(), Qt::Key_Return);
        QVERIFY(b.Busy());
        QCOMPARE(b.PercentLabel(), QStringLiteral("0%"));
        int last = 0, ticks = 0;
        while ((b.Busy() || b.st->g_bProgressActive != 0) && ticks < 1000000) {
            QCoreApplication::processEvents();
            b.dlg.OnTimer();
            ++ticks;
            QString label = b.PercentLabel();
            QVERIFY(label.endsWith('%'));
            label.chop(1);
            const int percent = label.toInt();
            QVERIFY2(percent >= last && percent <= 100, qPrintable(b.PercentLabel()));
            // One percent per tick, except when the worker declares the end.
            QVERIFY2(percent - last <= 1 || percent == 100, qPrintable(b.PercentLabel()));
            QVERIFY(b.Bar()->value() <= 100);
            last = percent;
        }
        QCOMPARE(b.PercentLabel(), QStringLiteral("100%"));
        QCOMPARE(b.Bar()->value(), 100);
        for (int i = 0; i < 5; ++i) b.dlg.OnTimer();
        QCOMPARE(b.PercentLabel(), QStringLiteral("100%"));
        QCOMPARE(closer.texts, QStringList{Q(text::kDone)});
    }

    void TicksOnTheWidgets_data() {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("accum");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("active");
        QTest::newRow("step 0 moves every tick") << 3 << 0 << 0 << 5 << 8 << "8%" << true;
        QTest::newRow("one step of credit, one percent")
            << 40 << 10 << 10 << 3 << 41 << "41%" << true;
        QTest::newRow("100 with credit left") << 100 << 500 << 10 << 4 << 100 << "100%" << false;
        QTest::newRow("99 then the end") << 99 << 100 << 10 << 4 << 100 << "100%" << false;
        QTest::newRow("step 0 at 100") << 100 << 0 << 0 << 3 << 100 << "100%" << false;
    }
    void TicksOnTheWidgets() {
        QFETCH(int, percent);
        QFETCH(int, accum);
        QFETCH(int, step);
        QFETCH(int, ticks);
        QFETCH(int, bar);
        QFETCH(QString, label);
        QFETCH(bool, active);
        Bench b;
        b.StopTimer();
        b.dlg.SetBarPosition(percent);
        b.st->g_bBusy = 1;
        b.st->g_bProgressActive = 1;
        b.st->g_progressPercent = percent;
        b.st->g_progressAccum = accum;
        b.st->g_progressStep = step;
        for (int i = 0; i < ticks; ++i) {
            b.dlg.OnTimer();
            QVERIFY(b.Bar()->value() <= 100);
        }
        QCOMPARE(b.Bar()->value(), bar);
        QCOMPARE(b.PercentLabel(), label);
        QCOMPARE(b.st->g_bProgressActive != 0, active);
        b.st->g_bBusy = 0;
    }

    void WorkerTextsOneAfterTheOther() {
        Bench b;
        BoxCloser closer(5);
        DialogOperator op(b.dlg, b.dlg);  // the same touch points the worker gets
        std::atomic<int> returned{0};
        std::vector<int> returnedAtBox;
        closer.onBox = [&](const SeenBox& seen) {
            returnedAtBox.push_back(returned.load());
            QCOMPARE(seen.openBoxes, 1);
        };
        std::thread worker([&] {
            op.ShowMessage(text::kBurnTimeout);
            ++returned;
            op.ShowMessage(text::kCommandError);
            ++returned;
            op.WriteStatusLine(text::kDone);
            ++returned;
        });
        QVERIFY(QTest::qWaitFor([&] { return returned.load() == 3; }, kGuardMs));
        worker.join();
        QCOMPARE(closer.texts, (QStringList{Q(text::kBurnTimeout), Q(text::kCommandError)}));
        // Each box was open while the worker was still inside its call.
        QCOMPARE(returnedAtBox, (std::vector<int>{0, 1}));
        QCOMPARE(b.StatusLine(), Q(text::kDone));
        for (const SeenBox& box : closer.boxes) {
            QCOMPARE(box.caption, QStringLiteral("quillon_qt_dialog_tests"));
            QCOMPARE(box.icon, QMessageBox::NoIcon);
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }

    void CloseRefusedWhileBusy() {
        Bench b;
        BoxCloser closer;
        b.PathBox()->setText(kFirmware);
        QTest::keyClick(b.PathBox(), Qt::Key_Return);
        QVERIFY(b.Busy());
        QVERIFY(!b.dlg.close());
        QTest::keyClick(&b.dlg, Qt::Key_Escape);
        QTest::keyClick(b.PathBox(), Qt::Key_Escape);
        QVERIFY(b.dlg.isVisible());
        QVERIFY(b.Busy());
        QVERIFY(b.WaitIdle());
        QVERIFY(b.dlg.close());
        QVERIFY(!b.dlg.isVisible());
    }

    void EscapeClosesWhenIdle() {
        Bench b;
        QTest::keyClick(b.PathBox(), Qt::Key_Escape);
        QVERIFY(!b.dlg.isVisible());
    }

    void WholeRunOnTheSimulator() {
        Bench b;
        BoxCloser closer;
        b.PathBox()->setText(kFirmware);
        QTest::keyClick(b.PathBox(), Qt::Key_Return);
        QVERIFY(b.WaitIdle());
        QVERIFY(QTest::qWaitFor([&] { return b.Bar()->value() == 100; }, kGuardMs));
        QCOMPARE(closer.texts, QStringList{Q(text::kDone)});
        QCOMPARE(b.StatusLine(), Q(text::kDone));
        QCOMPARE(b.PercentLabel(), QStringLiteral("100%"));
        QCOMPARE(b.dlg.Controller().WaitForRun(), 0);
        QVERIFY(b.files.creates >= 1);  // the read-back log
        // A second run on the same device, once it has restarted after the final jump (an
        // operator takes longer than that).
        b.bus.Sleep(3000);
        QTest::keyClick(b.PathBox(), Qt::Key_Return);
        QVERIFY(b.Busy());
        QVERIFY(b.WaitIdle());
        QCOMPARE(b.dlg.Controller().WaitForRun(), 0);
        QCOMPARE(closer.texts, (QStringList{Q(text::kDone), Q(text::kDone)}));
    }

    void RunAgainstAMissingDevice() {
        // A scenario with no device: the run fails with the worker's own text.
        Bench b;
        BoxCloser closer;
        const std::string scenario = b.dir.File("empty.json");
        const std::string json = R"({"devices": []})";
        b.dir.Write("empty.json", {json.begin(), json.end()});
        std::string error;
        QVERIFY2(b.bus.UseScenarioFile(scenario, error), error.c_str());
        b.PathBox()->setText(kFirmware);
        QTest::keyClick(b.PathBox(), Qt::Key_Return);
        QVERIFY(b.WaitIdle());
        QCOMPARE(b.dlg.Controller().WaitForRun(), 1);
        QCOMPARE(closer.texts.size(), 1);
        QVERIFY(closer.texts.first() != Q(text::kDone));
        QVERIFY(b.StatusLine() != Q(text::kDone));
        QVERIFY(QTest::qWaitFor([&] { return b.AllEnabled(true); }, kGuardMs));
    }

    // With a policy in force, a file it refuses (or any file, while the policy cannot be used) is
    // one box of our own that names the reason, and the device is never asked anything; a file
    // it allows runs exactly as without one.
    void PolicyRefusalIsOneBoxAndNoRun_data() {
        const std::string sha = Sha256OfFile(kFirmware.toStdString());
        QTest::addColumn<QString>("policy");
        QTest::addColumn<QString>("box");  // $P: the policy's path
        QTest::newRow("among the allowed files")
            << Q((R"({"allowed_sha256": [")" + sha + R"("]})").c_str()) << Q(text::kDone);
        QTest::newRow("not among them")
            << Q((R"({"allowed_sha256": [")" + std::string(64, '0') + R"("]})").c_str())
            << Q(("Refused by the update policy ($P): not among the allowed files (sha256 " + sha +
                  ")")
                     .c_str());
        QTest::newRow("a policy that cannot be used")
            << QStringLiteral(R"({"allowed": []})")
            << QStringLiteral(
                   "No file is sent while the update policy cannot be used: policy $P: allowed: "
                   "unknown field");
    }
    void PolicyRefusalIsOneBoxAndNoRun() {
        QFETCH(QString, policy);
        QFETCH(QString, box);
        Bench b;
        BoxCloser closer;
        const std::string path = b.dir.WriteText("policy.json", policy.toStdString());
        PolicyGate gate(signature::LoadPolicyFile(path, false));
        b.dlg.Controller().Enforce(&gate);
        b.PathBox()->setText(kFirmware);
        QTest::keyClick(b.PathBox(), Qt::Key_Return);
        QVERIFY(b.WaitIdle());
        QVERIFY(QTest::qWaitFor([&] { return !closer.texts.isEmpty(); }, kGuardMs));
        QCOMPARE(closer.texts, QStringList{box.replace("$P", QString::fromStdString(path))});
        const bool runs = box == Q(text::kDone);
        std::uint32_t heard = 0;
        for (auto c : {sim::SimCommand::kQueryMode, sim::SimCommand::kQueryModel,
                       sim::SimCommand::kSwitch, sim::SimCommand::kWriteFlash}) {
            heard += b.bus.Platform().Device(0).Count(c);
        }
        QCOMPARE(heard > 0, runs);
        QVERIFY(QTest::qWaitFor([&] { return b.AllEnabled(true); }, kGuardMs));
    }

    void BrowseReplacesOrKeepsThePath() {
        Bench b;
        BoxCloser closer;
        b.PathBox()->setText(QStringLiteral("typed.fw"));
        closer.fileToChoose = kFirmware;
        static_cast<QPushButton*>(b.Control(kBrowseButton))->click();
        QCOMPARE(closer.fileDialogs, 1);
        QCOMPARE(closer.fileDialogFilters, (QStringList{"(*.fw)", "all(*.*)"}));
        QCOMPARE(closer.fileDialogSuffix, QStringLiteral("fw"));
        const QString chosen = QFileInfo(kFirmware).absoluteFilePath();
        QCOMPARE(QFileInfo(b.PathBox()->text()).absoluteFilePath(), chosen);
        QCOMPARE(QFileInfo(QString::fromStdString(b.st->g_strFirmwarePath)).absoluteFilePath(),
                 chosen);

        b.PathBox()->setText(QStringLiteral("typed.fw"));
        closer.fileToChoose.clear();
        static_cast<QPushButton*>(b.Control(kBrowseButton))->click();
        QCOMPARE(closer.fileDialogs, 2);
        QCOMPARE(b.PathBox()->text(), QStringLiteral("typed.fw"));
        QVERIFY(closer.texts.isEmpty());
    }

    void CheckBoxStoresItsState() {
        Bench b;
        auto* box = static_cast<QCheckBox*>(b.Control(kReadBackCheck));
        box->click();
        QCOMPARE(b.st->g_bReadBackVerify, 1);
        box->click();
        QCOMPARE(b.st->g_bReadBackVerify, 0);
        static_cast<QPushButton*>(b.Control(kHiddenButton))->click();  // starts nothing visible
        QVERIFY(!b.Busy());
        QVERIFY(b.AllEnabled(true));
    }
};

int main(int argc, char** argv) {
    // The tests find the file dialog among the application's widgets.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    DialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogTest.moc"
