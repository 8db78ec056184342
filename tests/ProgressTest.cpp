// The shared controller: the update-start rules and the timer's progress contract, tick by tick,
// and a whole run through it on a worker thread.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>

#include "app/PhaseText.h"
#include "app/UpdateController.h"
#include "protocol/UpdateWorker.h"
#include "sim/Scenario.h"
#include "state/Texts.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using Strings = std::vector<std::string>;

class FakeView : public DialogView {
  public:
    void SetBarPosition(int p) override { bar = p, ++positions; }
    void StepBar() override { ++bar, ++steps; }
    void SetPercentLabel(const std::string& t) override { label = t, labels.push_back(t); }
    void EnableControls(bool e) override { enabled = e, ++enables; }
    int bar = -1, positions = 0, steps = 0, enables = 0;
    bool enabled = true;
    std::string label;
    Strings labels;
};

struct TickCase {
    const char* name;
    std::uint8_t active;
    std::int32_t percent, accum, step;
    std::uint8_t busy;
    // After one tick:
    std::int32_t percentAfter, accumAfter;
    std::uint8_t activeAfter;
    int barAfter;  // -1: untouched
    std::string label;
    bool enabledAfter;
};

TEST(ProgressContract, OneTick) {
    const TickCase cases[] = {
        {"inactive: nothing moves", 0, 5, 1000, 10, 1, 5, 1000, 0, -1, "", false},
        {"enough credit: one step", 1, 5, 25, 10, 1, 6, 15, 1, 5, "6%", false},
        {"at most one step per tick", 1, 5, 1000, 10, 1, 6, 990, 1, 5, "6%", false},
        {"not enough credit", 1, 5, 9, 10, 1, 5, 9, 1, -1, "", false},
        {"zero percent resets the bar", 1, 0, 0, 10, 1, 0, 0, 1, 0, "", false},
        {"step 0 moves every tick", 1, 3, 0, 0, 1, 4, 0, 1, 3, "4%", false},
        {"negative credit after a retry waits", 1, 7, -200, 10, 1, 7, -200, 1, -1, "", false},
        {"100 shown and stopped", 1, 100, 0, 10, 1, 100, 0, 0, 100, "100%", false},
        {"100 with credit left never shows more", 1, 100, 50, 10, 1, 100, 40, 0, 100, "100%",
         false},
        {"99 to 100 keeps going", 1, 99, 10, 10, 1, 100, 0, 1, 99, "100%", false},
        {"idle re-enables the controls", 0, 40, 0, 10, 0, 40, 0, 0, -1, "", true},
    };
    for (const TickCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::Rig rig;
        SharedState& st = *rig.st;
        FakeView view;
        view.enabled = false;
        view.bar = c.percent - 1;
        const int barBefore = view.bar;
        UpdateController controller(rig.services, view);
        st.g_bProgressActive = c.active;
        st.g_progressPercent = c.percent;
        st.g_progressAccum = c.accum;
        st.g_progressStep = c.step;
        st.g_bBusy = c.busy;
        controller.Tick();
        EXPECT_EQ(st.g_progressPercent, c.percentAfter);
        EXPECT_EQ(st.g_progressAccum, c.accumAfter);
        EXPECT_EQ(st.g_bProgressActive, c.activeAfter);
        EXPECT_EQ(view.bar, c.barAfter == -1 ? barBefore : c.barAfter);
        EXPECT_EQ(view.label, c.label);
        EXPECT_EQ(st.g_strPercentText, c.label);
        EXPECT_EQ(view.enabled, c.enabledAfter);
    }
}

TEST(ProgressContract, StartIsRefusedWhileBusyOrLive) {
    for (int which = 0; which < 2; ++which) {
        test::Rig rig;
        rig.Firmware(3, 0);
        FakeView view;
        UpdateController controller(rig.services, view);
        (which == 0 ? rig.st->g_bBusy : rig.st->g_bProgressActive) = 1;
        EXPECT_FALSE(controller.StartUpdate());
        EXPECT_TRUE(rig.Messages().empty());
        EXPECT_EQ(view.enables, 0);
        EXPECT_EQ(rig.files.opens, 1);  // only the rig's own load; the loader did not run
    }
}

TEST(ProgressContract, RefusedFileStartsNothing) {
    test::Rig rig;
    rig.op.SetPath(rig.dir.File("missing.fw"));
    FakeView view;
    UpdateController controller(rig.services, view);
    EXPECT_FALSE(controller.StartUpdate());
    EXPECT_EQ(rig.Messages(), Strings{text::kSelectFile});
    EXPECT_EQ(rig.st->g_bBusy, 0);
    EXPECT_EQ(view.enables, 0);
    EXPECT_EQ(controller.WaitForRun(), -1);
}

// Holds the worker inside each box until the test lets it go, as an operator would.
class Gate {
  public:
    void Arrive() {
        std::unique_lock lock(m_);
        ++arrived_;
        cv_.notify_all();
        cv_.wait(lock, [&] { return released_ >= arrived_; });
    }
    void WaitFor(int n) {
        std::unique_lock lock(m_);
        cv_.wait(lock, [&] { return arrived_ >= n; });
    }
    void Release() {
        std::lock_guard lock(m_);
        ++released_;
        cv_.notify_all();
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    int arrived_ = 0, released_ = 0;
};

TEST(ProgressContract, WholeRunThroughTheController) {
    test::Rig rig;
    rig.Firmware(3, 0, 0, 0x10000, 20000);
    rig.Add(sim::DefaultDeviceFor(*rig.st));
    Gate gate;
    rig.op.OnMessage([&](const std::string&) { gate.Arrive(); });
    FakeView view;
    UpdateController controller(rig.services, view);
    ASSERT_TRUE(controller.StartUpdate());
    EXPECT_FALSE(view.enabled);
    EXPECT_EQ(view.bar, 0);
    EXPECT_EQ(view.label, "0%");

    gate.WaitFor(1);  // the worker shows "완료" and waits for it to be closed
    EXPECT_TRUE(controller.Busy());
    EXPECT_FALSE(controller.StartUpdate());  // a second press while the run is busy
    for (int i = 0; i < 200; ++i) controller.Tick();
    EXPECT_FALSE(view.enabled);  // still busy: the controls stay off
    gate.Release();
    EXPECT_EQ(controller.WaitForRun(), 0);
    controller.Tick();
    EXPECT_TRUE(view.enabled);
    EXPECT_EQ(rig.Messages(), Strings{text::kDone});
    ASSERT_FALSE(view.labels.empty());
    for (const std::string& l : view.labels) EXPECT_LE(std::stoi(l), 100) << l;

    // The next press starts again: the previous thread is joined, the flags allow it.
    gate.Release();
    EXPECT_TRUE(controller.StartUpdate());
    EXPECT_EQ(controller.WaitForRun(), 0);
}

// The terminal's percentage and bar never run ahead of the image bytes programmed and verified,
// which the dialog's own credit-driven percentage may do.
TEST(ProgressDisplay, PercentNeverAheadOfTheBytes) {
    struct Row {
        const char* name;
        int dialog;
        Phase phase;
        std::uint64_t done, total;
        int shown;
    };
    const Row rows[] = {
        {"19.2 of 19.5 KiB", 100, Phase::kProgramming, 19661, 19968, 98},
        {"behind the bytes: as it is", 40, Phase::kProgramming, 10000, 20000, 40},
        {"after programming", 100, Phase::kFirstWord, 20000, 20000, 100},
        {"before programming", 0, Phase::kWaitingForDevice, 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PhaseStatus s;
        s.phase = r.phase;
        s.bytesDone = r.done;
        s.bytesTotal = r.total;
        EXPECT_EQ(PercentNotAheadOfBytes(r.dialog, s), r.shown);
    }
}

// A run that did not end with its last text "완료" says on its summary line what that text means,
// for an operator who does not read it; a good run's line stays as it was.
TEST(ProgressDisplay, SummaryGivesTheLastTextsMeaning) {
    struct Row {
        const char* name;
        RunEnd end;
        std::uint64_t done, total;
        std::string lastText;
        std::string line;
    };
    const Row rows[] = {
        {"done", RunEnd::kDone, 0, 0, text::kDone, "done: 0 bytes programmed in 3.0 s"},
        {"refused", RunEnd::kFileRefused, 0, 0, text::kBadData2,
         "file refused: nothing sent: 非法数据2！ (the file's checksum does not match its "
         "contents)"},
        {"failed while writing", RunEnd::kFailed, 4096, 20000, text::kWriteVerifyFailed,
         "failed after 3.0 s: 4,096 of 20,000 bytes programmed: 写入校验失败! (the device did not "
         "confirm a write)"},
        {"failed without a text", RunEnd::kFailed, 4096, 20000, "",
         "failed after 3.0 s: 4,096 of 20,000 bytes programmed"},
        {"a text without a code", RunEnd::kNoDeviceFits, 0, 0, "?",
         "no device fits: nothing sent (3.0 s)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PhaseStatus s;
        s.end = r.end;
        s.nowMs = 3000;
        s.bytesDone = r.done;
        s.bytesTotal = r.total;
        EXPECT_EQ(DescribeEnd(s, r.lastText), r.line);
    }
}

// Every pause of a wait for a restarted device, and of the settle once it is back, is told at
// least once a second, so that a display counts each second (not 0, 2, 4 s).
TEST(ProgressDisplay, WaitsAreToldEverySecond) {
    struct PauseWatch : ForwardingHidPlatform {
        using ForwardingHidPlatform::ForwardingHidPlatform;
        void Sleep(std::uint32_t ms) override {
            before(ms);
            inner_->Sleep(ms);
        }
        std::function<void(std::uint32_t)> before;
    };
    test::Rig rig;
    rig.Firmware(3, 1);  // the worker switches the device into its boot loader
    sim::SimDeviceConfig device = sim::DefaultDeviceFor(*rig.st);
    device.restartDelayMs = 4500;
    rig.Add(device);
    std::uint64_t enteredMs = 0;
    const auto waiting = [](Phase p) {
        return p == Phase::kWaitingForDevice || p == Phase::kSettling;
    };
    rig.st->phases.Listen([&](PhaseChannel::Event e, const PhaseStatus& s) {
        if (e != PhaseChannel::Event::kPhase) return;
        enteredMs = s.nowMs;
    });
    PauseWatch watch(rig.log);
    std::uint64_t waitedMs = 0;
    watch.before = [&](std::uint32_t ms) {
        const PhaseStatus s = rig.st->phases.Snapshot();
        if (!waiting(s.phase)) return;
        waitedMs += ms;
        // Until this pause ends, a display shows what was told before it.
        EXPECT_LE(rig.Now() + ms - (enteredMs + s.waitedMs), 1000u) << DescribePhase(s);
    };
    LinkServices services{*rig.st, watch, rig.op, rig.files};
    rig.st->g_bBusy = 1;
    EXPECT_EQ(UpdateWorker(services).UpdateThreadProc(), 0);
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{text::kDone});
    EXPECT_GE(waitedMs, 4500u + 2000u);  // the restart, then the settle
}

}  // namespace
}  // namespace quillon
