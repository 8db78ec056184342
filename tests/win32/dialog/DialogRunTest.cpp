// Whole runs driven through the dialog: keys through its message loop, clicks, timer ticks, the
// worker's boxes relayed to the dialog's thread; simulated devices on virtual time.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/PolicyGate.h"
#include "app/win32/resource.h"
#include "firmware/Sha256.h"
#include "hid/win32/WideText.h"
#include "sim/SimDeviceConfig.h"
#include "state/Texts.h"
#include "win32/dialog/DialogRig.h"

namespace quillon::test {
namespace {

std::wstring Wide(const char* utf8) {
    return win32::WideFromUtf8(utf8);
}

constexpr int kRunControls[] = {IDC_UPDATE, IDC_BROWSE, IDC_PATH, IDC_READBACK_CHECK};

bool ControlsEnabled(const DialogRig& rig, bool enabled) {
    for (const int id : kRunControls) {
        if ((::IsWindowEnabled(rig.Item(id)) != FALSE) != enabled) return false;
    }
    return true;
}

TEST(DialogRun, EnterStartsAnUpdateThatRunsToCompletion) {
    DialogRig rig;
    const std::string path = rig.Firmware(3, 20000);
    rig.SetPath(path);
    // With the focus on the browse button, Enter starts the update and opens no file dialog.
    ::SetFocus(rig.Item(IDC_BROWSE));

    bool disabledDuringRun = false, busyDuringBox = false, closedWhileBusy = false;
    int percentWhenDone = -1, barWhenDone = -1;
    std::wstring labelWhenDone, statusWhenDone;
    rig.whileBoxOpen = [&](const Box&) {
        disabledDuringRun = ControlsEnabled(rig, false);
        busyDuringBox = rig.dlg->Controller().Busy();
        // The completion box is open: the timer keeps the display moving up to 100 %. (The label
        // may read 100 % one tick before the bar: a tick that steps while the worker sets 100
        // labels the new value; the next tick sets the bar.)
        EXPECT_TRUE(rig.PumpInsideBoxUntil([&] { return rig.DisplaySettledAt100(); }));
        labelWhenDone = rig.ItemText(IDC_LABEL);
        barWhenDone = rig.BarPosition();
        percentWhenDone = rig.st->g_progressPercent;
        statusWhenDone = rig.ItemText(IDC_STATUS);
        // Escape, the close box and WM_CLOSE are all refused while the run is busy.
        ::SendMessageW(rig.Dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ::SendMessageW(rig.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ::SendMessageW(rig.Dialog(), WM_CLOSE, 0, 0);
        closedWhileBusy = rig.dlg->Ended() || !::IsWindowVisible(rig.Dialog());
    };
    rig.PressKey(rig.Item(IDC_BROWSE), VK_RETURN);
    ASSERT_TRUE(rig.PumpUntil([&] { return !rig.boxes.empty(); }));
    ASSERT_TRUE(rig.PumpUntilIdle());

    EXPECT_EQ(rig.pickCalls, 0);
    EXPECT_EQ(rig.beforeUpdatePaths, std::vector<std::string>{path});
    ASSERT_EQ(rig.boxes.size(), 1u);
    EXPECT_EQ(rig.boxes[0].text, Wide(text::kDone));
    EXPECT_EQ(rig.boxes[0].caption, OwnStem());
    EXPECT_EQ(rig.boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(rig.boxes[0].ownerIsDialog);
    EXPECT_TRUE(disabledDuringRun);
    EXPECT_TRUE(busyDuringBox);
    EXPECT_FALSE(closedWhileBusy);
    EXPECT_EQ(labelWhenDone, L"100%");
    EXPECT_EQ(barWhenDone, 100);
    EXPECT_EQ(percentWhenDone, 100);
    EXPECT_EQ(statusWhenDone, Wide(text::kDone));

    // The run is over: the controls are back (1012 enabled, still hidden), the display keeps its
    // last values, and the image is in the device's flash.
    EXPECT_TRUE(ControlsEnabled(rig, true));
    EXPECT_FALSE(::IsWindowVisible(rig.Item(IDC_READBACK_CHECK)));
    EXPECT_EQ(rig.ItemText(IDC_LABEL), L"100%");
    EXPECT_EQ(rig.BarPosition(), 100);
    EXPECT_EQ(rig.ItemText(IDC_STATUS), Wide(text::kDone));
    EXPECT_EQ(rig.st->g_bProgressActive, 0);
    EXPECT_EQ(rig.st->g_bBusy, 0);

    // Now the close box ends the dialog.
    ::SendMessageW(rig.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(rig.dlg->Ended());
}

TEST(DialogRun, TwoFailureTextsComeOneBoxAtATimeInOrder) {
    DialogRig rig;
    rig.SetPath(rig.Firmware(3, 5000, true, [](sim::SimDeviceConfig& d) {
        d.faults.push_back({sim::SimCommand::kReadFlash, 4, 4, sim::FaultKind::kWriteTimeout});
    }));
    std::vector<std::size_t> boxesSeenWhileOpen;
    rig.whileBoxOpen = [&](const Box&) {
        // While a box is open the worker waits: however long the operator takes, no second
        // text arrives.
        EXPECT_TRUE(rig.PumpInsideBox(50));
        boxesSeenWhileOpen.push_back(rig.boxes.size());
        EXPECT_TRUE(rig.dlg->Controller().Busy());
    };
    ASSERT_TRUE(rig.PressKeyAndPump(rig.Item(IDC_PATH), VK_RETURN));
    ASSERT_TRUE(rig.PumpUntilIdle());

    ASSERT_EQ(rig.boxes.size(), 2u);
    EXPECT_EQ(rig.boxes[0].text, Wide(text::kBurnTimeout));
    EXPECT_EQ(rig.boxes[1].text, Wide(text::kReadBurnFailed));
    EXPECT_EQ(boxesSeenWhileOpen, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(rig.maxBoxDepth, 1);
    EXPECT_TRUE(ControlsEnabled(rig, true));
    EXPECT_EQ(rig.st->g_bProgressActive, 0);
    // The status line shows where the run got to; the label did not reach 100 %.
    EXPECT_EQ(rig.ItemText(IDC_STATUS), Wide(text::kInProgress));
    EXPECT_NE(rig.ItemText(IDC_LABEL), L"100%");
}

TEST(DialogRun, EnterAimedAtAnyControlRunsTheLoaderAndNothingElse) {
    // An empty path box: the loader refuses on the dialog's own thread, the controls stay.
    const int targets[] = {0, IDC_PATH, IDC_BROWSE, IDC_UPDATE};
    for (const int target : targets) {
        SCOPED_TRACE(target);
        DialogRig rig;
        const HWND to = target == 0 ? rig.Dialog() : rig.Item(target);
        rig.PressKey(to, VK_RETURN);
        ASSERT_TRUE(rig.PumpUntil([&] { return !rig.boxes.empty(); }));
        EXPECT_TRUE(rig.PumpTicks(5));
        ASSERT_EQ(rig.boxes.size(), 1u);
        EXPECT_EQ(rig.boxes[0].text, Wide(text::kSelectFile));
        EXPECT_EQ(rig.boxes[0].caption, OwnStem());
        EXPECT_EQ(rig.pickCalls, 0);
        EXPECT_EQ(rig.st->g_bBusy, 0);
        EXPECT_TRUE(ControlsEnabled(rig, true));
        EXPECT_FALSE(rig.dlg->Ended());
    }
}

// With a policy in force, a file it refuses is one box of our own naming the reason, shown on
// the dialog's thread: no worker is started and the device is never asked anything.
TEST(DialogRun, FileThePolicyRefusesIsOneBoxAndNoRun) {
    DialogRig rig;
    const std::string path = rig.Firmware(3, 3000);
    const std::string policy = rig.dir.WriteText(
        "policy.json", R"({"allowed_sha256": [")" + std::string(64, '0') + R"("]})");
    PolicyGate gate(signature::LoadPolicyFile(policy, false));
    rig.dlg->Enforce(&gate);
    rig.SetPath(path);
    ASSERT_TRUE(rig.PressKeyAndPump(rig.Item(IDC_PATH), VK_RETURN));
    EXPECT_TRUE(rig.PumpTicks(5));
    ASSERT_EQ(rig.boxes.size(), 1u);
    EXPECT_EQ(rig.boxes[0].text,
              Wide(("Refused by the update policy (" + policy +
                    "): not among the allowed files (sha256 " + Sha256OfFile(path) + ")")
                       .c_str()));
    EXPECT_EQ(rig.boxes[0].caption, OwnStem());
    EXPECT_EQ(rig.st->phases.Snapshot().end, RunEnd::kFileRefused);
    EXPECT_EQ(rig.sim.Device(0).Count(sim::SimCommand::kQueryModel) +
                  rig.sim.Device(0).Count(sim::SimCommand::kSwitch),
              0u);
    EXPECT_EQ(rig.st->g_bBusy, 0);
    EXPECT_TRUE(ControlsEnabled(rig, true));
}

TEST(DialogRun, EnterAndTheButtonAreIgnoredWhileARunIsBusy) {
    DialogRig rig;
    rig.SetPath(rig.Firmware(3, 3000));
    rig.whileBoxOpen = [&](const Box&) {
        // The worker is held by this box; a second start is ignored without a message.
        EXPECT_TRUE(rig.PressKeyAndPump(rig.Item(IDC_PATH), VK_RETURN));
        EXPECT_TRUE(rig.PumpTicks(5));
        ::SendMessageW(rig.Dialog(), WM_COMMAND, MAKEWPARAM(IDC_UPDATE, BN_CLICKED), 0);
    };
    ::SendMessageW(rig.Item(IDC_UPDATE), BM_CLICK, 0, 0);
    ASSERT_TRUE(rig.PumpUntilIdle());
    ASSERT_EQ(rig.boxes.size(), 1u);
    EXPECT_EQ(rig.boxes[0].text, Wide(text::kDone));
    EXPECT_EQ(rig.beforeUpdatePaths.size(), 1u);
}

TEST(DialogRun, TwoRunsInARowEachStartFromZero) {
    DialogRig rig;
    rig.SetPath(rig.Firmware(3, 4000));
    std::vector<std::wstring> labelsAtStart;
    rig.whileBoxOpen = [&](const Box&) {
        EXPECT_TRUE(rig.PumpInsideBoxUntil([&] { return rig.DisplaySettledAt100(); }));
    };
    for (std::size_t run = 0; run < 2; ++run) {
        rig.PressKey(rig.Item(IDC_PATH), VK_RETURN);
        // The key starts the run and resets the display.
        ASSERT_TRUE(rig.PumpUntil([&] { return rig.st->g_bBusy != 0 || rig.boxes.size() > run; }));
        labelsAtStart.push_back(rig.ItemText(IDC_LABEL));
        ASSERT_TRUE(rig.PumpUntilIdle());
    }
    EXPECT_EQ(rig.boxes.size(), 2u);
    EXPECT_EQ(labelsAtStart, (std::vector<std::wstring>{L"0%", L"0%"}));
    EXPECT_EQ(rig.ItemText(IDC_LABEL), L"100%");
}

TEST(DialogRun, EscapeEndsTheIdleDialog) {
    DialogRig rig;
    rig.PressKey(rig.Item(IDC_PATH), VK_ESCAPE);
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.dlg->Ended(); }));
    EXPECT_TRUE(rig.boxes.empty());
}

TEST(DialogRun, BrowseReplacesThePathAndCancelKeepsATypedOne) {
    DialogRig rig;
    rig.SetPath("typed.fw");
    rig.pick = [](std::wstring&) { return false; };
    ::SendMessageW(rig.Item(IDC_BROWSE), BM_CLICK, 0, 0);
    EXPECT_EQ(rig.pickCalls, 1);
    EXPECT_EQ(rig.ItemText(IDC_PATH), L"typed.fw");
    EXPECT_EQ(rig.st->g_strFirmwarePath, "");

    const std::wstring chosen = L"C:\\펌웨어\\新.fw";
    rig.pick = [&](std::wstring& path) {
        path = chosen;
        return true;
    };
    ::SendMessageW(rig.Item(IDC_BROWSE), BM_CLICK, 0, 0);
    EXPECT_EQ(rig.pickCalls, 2);
    EXPECT_EQ(rig.ItemText(IDC_PATH), chosen);
    EXPECT_EQ(rig.st->g_strFirmwarePath, win32::Utf8FromWide(chosen));
}

TEST(DialogRun, HiddenControlsStillAnswerTheirMessages) {
    DialogRig rig;
    // The check box's state lands in the shared flag on every click.
    const HWND box = rig.Item(IDC_READBACK_CHECK);
    const std::uint8_t expected[] = {1, 0, 1};
    for (const std::uint8_t want : expected) {
        ::SendMessageW(box, BM_SETCHECK, want ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageW(rig.Dialog(), WM_COMMAND, MAKEWPARAM(IDC_READBACK_CHECK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(box));
        EXPECT_EQ(rig.st->g_bReadBackVerify, want);
    }
    // The hidden button starts one thread per click, whose procedure ends at once with 0.
    for (int click = 1; click <= 2; ++click) {
        ::SendMessageW(rig.Dialog(), WM_COMMAND, MAKEWPARAM(IDC_HIDDEN_BUTTON, BN_CLICKED),
                       reinterpret_cast<LPARAM>(rig.Item(IDC_HIDDEN_BUTTON)));
        ASSERT_EQ(rig.threadsStarted.size(), static_cast<std::size_t>(click));
        EXPECT_EQ(rig.threadsStarted.back()(nullptr), 0u);
    }
    EXPECT_FALSE(::IsWindowVisible(box));
    EXPECT_TRUE(rig.boxes.empty());
}

}  // namespace
}  // namespace quillon::test
