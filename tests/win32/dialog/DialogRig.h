// The real dialog created from its template, over simulated devices on virtual time, with the
// operator's boxes, the file dialog and the thread start answered by the test. The test runs the
// dialog's own message loop, so keys take the path of a real key press.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/QuillonDlg.h"
#include "sim/SimPlatform.h"
#include "state/SharedState.h"
#include "support/TempDir.h"
#include "support/TestFileSystem.h"

namespace quillon::test {

struct Box {
    std::wstring text, caption;
    UINT type = 0;
    bool ownerIsDialog = false;
};

class DialogRig {
  public:
    DialogRig();
    ~DialogRig();

    // Writes a ".fw" file for model (image of imageSize bytes) and returns its path; with
    // device, puts the device that fits it on the bus, changed by edit first.
    std::string Firmware(std::uint32_t model, std::size_t imageSize, bool device = true,
                         const std::function<void(sim::SimDeviceConfig&)>& edit = {});

    HWND Dialog() const { return dlg->Window(); }
    HWND Item(int id) const { return ::GetDlgItem(Dialog(), id); }
    std::wstring Text(HWND window) const;
    std::wstring ItemText(int id) const { return Text(Item(id)); }
    void SetPath(const std::string& path);
    int BarPosition() const;
    // The label reads 100 %, the bar is full and the display is no longer live.
    bool DisplaySettledAt100() const;

    // Posts a key press to window (a control or the dialog) for the loop to process.
    void PressKey(HWND window, WPARAM key);
    // The same, then runs the dialog's loop until the key has gone through it.
    bool PressKeyAndPump(HWND window, WPARAM key);
    // Runs the dialog's loop until done() holds; false when it did not within maxTicks ticks of
    // timer 1. A slow timer of the rig's own keeps a loop whose dialog timer is dead from
    // hanging; it gives up after kGuardTicks of those.
    bool PumpUntil(const std::function<bool()>& done, int maxTicks = 3000);
    bool PumpTicks(int ticks);
    // What a message box's own loop does while it is open: dispatches (timer ticks, the worker's
    // sent messages) for this many ticks, without the dialog's pre-translation.
    bool PumpInsideBox(int ticks);
    bool PumpInsideBoxUntil(const std::function<bool()>& done, int maxTicks = 3000);
    // Runs until no run is busy and the next tick has enabled the controls.
    bool PumpUntilIdle();

    std::unique_ptr<SharedState> st = std::make_unique<SharedState>();
    sim::SimPlatform sim{true};
    TempDir dir;
    TestFileSystem files{dir.Path()};

    std::vector<Box> boxes;
    int boxDepth = 0, maxBoxDepth = 0;
    // Runs while the box is open (after it was recorded), on the dialog's thread.
    std::function<void(const Box&)> whileBoxOpen;
    int pickCalls = 0;
    std::function<bool(std::wstring&)> pick;  // answers the file dialog
    std::vector<LPTHREAD_START_ROUTINE> threadsStarted;
    std::vector<std::string> beforeUpdatePaths;

    std::unique_ptr<win32::CQuillonDlg> dlg;

  private:
    bool Pump(bool preTranslate, const std::function<bool(int ticks)>& done, int maxTicks);
    static constexpr int kGuardTicks = 1500;  // of 20 ms
    UINT_PTR guardTimer_ = 0;
    bool* markerSeen_ = nullptr;
    int files_made_ = 0;
};

// The executable's name without its extension, as every box is captioned.
std::wstring OwnStem();

}  // namespace quillon::test
