// The dialog's pieces that need no running dialog: dialog units to pixels, the template table,
// the command line, and the operator touch points' thread hand-over.
#include <QThread>
#include <QtTest>
#include <atomic>
#include <thread>

#include "app/qt/DialogOperator.h"
#include "app/qt/DialogTemplate.h"
#include "app/qt/DialogUnits.h"

using namespace quillon::gui;

Q_DECLARE_METATYPE(UnitRect)

namespace {

// Records on which thread and in what order the dialog-side touch points ran.
class FakeSurface : public OperatorSurface {
  public:
    void ShowOperatorMessage(const QString& text) override {
        Record("box:" + text);
        // The caller must still be waiting while the operator reads the box.
        if (callerDone != nullptr && callerDone->load()) Record("caller ran ahead");
    }
    QString PathBoxText() const override {
        const_cast<FakeSurface*>(this)->Record("path");
        return QStringLiteral("/tmp/파일.fw");
    }
    void SetStatusLineText(const QString& text) override { Record("status:" + text); }

    QStringList calls;
    bool allOnHome = true;
    QThread* home = nullptr;
    std::atomic<bool>* callerDone = nullptr;

  private:
    void Record(const QString& what) {
        calls << what;
        if (QThread::currentThread() != home) allOnHome = false;
    }
};

}  // namespace

class GuiUnitsTest : public QObject {
    Q_OBJECT

  private slots:
    void MulDiv_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("num");
        QTest::addColumn<int>("den");
        QTest::addColumn<int>("expected");
        QTest::newRow("exact") << 8 << 6 << 4 << 12;
        QTest::newRow("half rounds up") << 1 << 6 << 4 << 2;             // 1.5
        QTest::newRow("below half rounds down") << 25 << 13 << 8 << 41;  // 40.625
        QTest::newRow("above half") << 39 << 13 << 8 << 63;              // 63.375
        QTest::newRow("negative half away from zero") << -1 << 6 << 4 << -2;
        QTest::newRow("negative denominator") << 3 << 5 << -2 << -8;  // -7.5
        QTest::newRow("zero denominator") << 5 << 5 << 0 << 0;
        QTest::newRow("no 32-bit overflow") << 100000 << 100000 << 100000 << 100000;
    }
    void MulDiv() {
        QFETCH(int, n);
        QFETCH(int, num);
        QFETCH(int, den);
        QFETCH(int, expected);
        QCOMPARE(MulDivRounded(n, num, den), expected);
    }

    void AverageWidth_data() {
        QTest::addColumn<int>("extent");
        QTest::addColumn<int>("expected");
        // Half the width of a pair of letters, the pair's width rounded down, the half up.
        QTest::newRow("11 per pair") << 286 << 6;
        QTest::newRow("odd pair rounds up") << 338 << 7;  // 13 per pair
        QTest::newRow("even pair halves") << 312 << 6;    // 12 per pair
        QTest::newRow("pair width rounded down") << 311 << 6;
        QTest::newRow("empty font") << 0 << 0;
    }
    void AverageWidth() {
        QFETCH(int, extent);
        QFETCH(int, expected);
        QCOMPARE(AverageCharWidth(extent), expected);
    }

    void ToPixels_data() {
        QTest::addColumn<UnitRect>("units");
        QTest::addColumn<int>("avgWidth");
        QTest::addColumn<int>("height");
        QTest::addColumn<UnitRect>("expected");
        // Worked examples with the base units 6 x 13 and 7 x 15.
        QTest::newRow("path box 6x13")
            << UnitRect{14, 25, 104, 14} << 6 << 13 << UnitRect{21, 41, 156, 22};
        QTest::newRow("browse 6x13")
            << UnitRect{120, 25, 36, 14} << 6 << 13 << UnitRect{180, 41, 54, 22};
        QTest::newRow("dialog 6x13")
            << UnitRect{0, 0, 163, 117} << 6 << 13 << UnitRect{0, 0, 245, 190};
        QTest::newRow("percent label 7x15")
            << UnitRect{137, 81, 19, 8} << 7 << 15 << UnitRect{240, 152, 33, 15};
        QTest::newRow("status line 7x15")
            << UnitRect{10, 98, 138, 8} << 7 << 15 << UnitRect{18, 184, 241, 15};
        // Edges are converted, so a control's width may differ from its size converted alone.
        QTest::newRow("edges, not size") << UnitRect{1, 1, 1, 1} << 6 << 13 << UnitRect{2, 2, 1, 1};
    }
    void ToPixels() {
        QFETCH(UnitRect, units);
        QFETCH(int, avgWidth);
        QFETCH(int, height);
        QFETCH(UnitRect, expected);
        const UnitRect got = DialogToPixels(units, {avgWidth, height});
        QCOMPARE(got.x, expected.x);
        QCOMPARE(got.y, expected.y);
        QCOMPARE(got.width, expected.width);
        QCOMPARE(got.height, expected.height);
    }

    void BaseUnitsOfAFont() {
        QFont font = QApplication::font();
        font.setPointSize(9);
        const DialogBaseUnits base = BaseUnitsOf(font);
        const QFontMetrics metrics(font);
        QCOMPARE(base.charHeight, metrics.height());
        // Half the width of an average pair of letters, never zero for a real font.
        QVERIFY(base.avgCharWidth > 0);
        const int extent = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) +
                           metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
        QVERIFY(qAbs(base.avgCharWidth * 52 - extent) <= 52);
    }

    void TemplateOrderAndIdentifiers() {
        const auto controls = MainDialogTemplate();
        const int ids[] = {1000, 1001, 1002, 1010, -1, -1, 1012, 1013, 1014};
        QCOMPARE(controls.size(), std::size(ids));
        for (std::size_t i = 0; i < controls.size(); ++i) QCOMPARE(controls[i].id, ids[i]);
        // The first -1 is the percentage label.
        QCOMPARE(QString::fromUtf8(controls[4].text), QStringLiteral("0%"));
        QCOMPARE(QString::fromUtf8(controls[7].text), QStringLiteral(" "));
        for (const ControlTemplate& c : controls) {
            QCOMPARE(c.shown, c.id != kReadBackCheck && c.id != kHiddenButton);
            // Every control lies inside the dialog.
            QVERIFY(c.rect.x + c.rect.width <= kDialogWidthUnits);
            QVERIFY(c.rect.y + c.rect.height <= kDialogHeightUnits);
        }
    }

    // Texts from another thread: each runs on the home thread, in order, and the caller waits.
    void TouchPointsFromAWorker() {
        QObject home;
        FakeSurface surface;
        surface.home = home.thread();
        std::atomic<bool> done{false};
        surface.callerDone = &done;
        DialogOperator op(home, surface);
        std::string path;
        std::thread worker([&] {
            op.WriteStatusLine("진행중...");
            op.ShowMessage("烧录失败!");
            op.ShowMessage("完成");
            path = op.ReadPathBox();
            done = true;
        });
        QVERIFY(QTest::qWaitFor([&] { return done.load(); }, 20000));
        worker.join();
        QCOMPARE(surface.calls,
                 (QStringList{"status:진행중...", "box:烧录失败!", "box:完成", "path"}));
        QVERIFY(surface.allOnHome);
        QCOMPARE(QString::fromStdString(path), QStringLiteral("/tmp/파일.fw"));
    }

    // The loader calls on the dialog's own thread: done at once, not queued to itself.
    void TouchPointsFromTheDialogThread() {
        QObject home;
        FakeSurface surface;
        surface.home = home.thread();
        DialogOperator op(home, surface);
        op.ShowMessage("업그레이드 파일을 선택해주세요!");
        QCOMPARE(surface.calls, QStringList{"box:업그레이드 파일을 선택해주세요!"});
        QCOMPARE(op.ReadPathBox(), std::string("/tmp/파일.fw"));
        QVERIFY(surface.allOnHome);
    }
};

QTEST_MAIN(GuiUnitsTest)
#include "GuiUnitsTest.moc"
