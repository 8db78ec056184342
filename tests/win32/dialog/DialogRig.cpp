#include "win32/dialog/DialogRig.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/win32/resource.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "hid/win32/WideText.h"
#include "sim/Scenario.h"
#include "state/CollectingOperator.h"

namespace quillon::test {

namespace {
constexpr UINT kMarker = WM_APP + 7;
}  // namespace

std::wstring OwnStem() {
    wchar_t path[MAX_PATH + 1] = L"";
    std::wstring name(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
    name.erase(0, name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

DialogRig::DialogRig() {
    win32::DialogHooks hooks;
    hooks.messageBox = [this](HWND owner, const std::wstring& text, const std::wstring& caption,
                              UINT type) {
        boxes.push_back({text, caption, type, owner == Dialog()});
        maxBoxDepth = std::max(maxBoxDepth, ++boxDepth);
        if (whileBoxOpen) whileBoxOpen(boxes.back());
        --boxDepth;
        return IDOK;
    };
    hooks.pickFile = [this](HWND, std::wstring& path) {
        ++pickCalls;
        return pick ? pick(path) : false;
    };
    hooks.startThread = [this](LPTHREAD_START_ROUTINE proc) {
        threadsStarted.push_back(proc);
        return true;
    };
    hooks.beforeUpdate = [this](const std::string& path) { beforeUpdatePaths.push_back(path); };
    dlg = std::make_unique<win32::CQuillonDlg>(*st, sim, files, std::move(hooks));
    guardTimer_ = ::SetTimer(nullptr, 0, 20, nullptr);
    EXPECT_TRUE(dlg->Create(::GetModuleHandleW(nullptr)));
}

DialogRig::~DialogRig() {
    // A run left busy by a failed test would keep the worker blocked on its box: answer them.
    whileBoxOpen = nullptr;
    PumpUntil([this] { return st->g_bBusy == 0; });
    dlg.reset();
    ::KillTimer(nullptr, guardTimer_);
}

std::string DialogRig::Firmware(std::uint32_t model, std::size_t imageSize, bool device,
                                const std::function<void(sim::SimDeviceConfig&)>& edit) {
    FirmwareFields fields;
    fields.model = model;
    fields.startAddress = 0x10000;
    const std::string path = dir.Write("fw" + std::to_string(files_made_++) + ".fw",
                                       PackFirmware(fields, RandomBytes(imageSize, model)));
    if (device) {
        // The loader tells what the file is for; the device that fits it joins the bus.
        SharedState scratch;
        CollectingOperator silent(path);
        EXPECT_FALSE(FirmwareLoader(scratch, silent, files).LoadFirmwareFile());
        sim::SimDeviceConfig config = sim::DefaultDeviceFor(scratch);
        if (edit) edit(config);
        sim.AddDevice(config);
    }
    return path;
}

std::wstring DialogRig::Text(HWND window) const {
    wchar_t buffer[512] = L"";
    return std::wstring(buffer, ::GetWindowTextW(window, buffer, 512));
}

void DialogRig::SetPath(const std::string& path) {
    ::SetWindowTextW(Item(IDC_PATH), win32::WideFromUtf8(path).c_str());
}

int DialogRig::BarPosition() const {
    return static_cast<int>(::SendMessageW(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
}

bool DialogRig::DisplaySettledAt100() const {
    return ItemText(IDC_LABEL) == L"100%" && BarPosition() == 100 && st->g_bProgressActive == 0;
}

void DialogRig::PressKey(HWND window, WPARAM key) {
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(static_cast<UINT>(key), 0)) << 16;
    ::PostMessageW(window, WM_KEYDOWN, key, scan | 1);
    ::PostMessageW(window, WM_KEYUP, key, scan | 1 | (1u << 30) | (1u << 31));
}

bool DialogRig::PressKeyAndPump(HWND window, WPARAM key) {
    PressKey(window, key);
    // Posted after the key, so it comes out of the queue after the key was handled.
    ::PostThreadMessageW(::GetCurrentThreadId(), kMarker, 0, 0);
    bool seen = false;
    markerSeen_ = &seen;
    const bool ok = PumpUntil([&] { return seen; });
    markerSeen_ = nullptr;
    return ok;
}

bool DialogRig::Pump(bool preTranslate, const std::function<bool(int ticks)>& done, int maxTicks) {
    int ticks = 0, guard = 0;
    MSG msg;
    while (!done(ticks)) {
        if (ticks > maxTicks || guard > kGuardTicks) return false;
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) return false;
        if (msg.message == WM_TIMER && msg.hwnd == Dialog()) ++ticks;
        if (msg.message == kMarker && msg.hwnd == nullptr) {
            if (markerSeen_ != nullptr) *markerSeen_ = true;
            continue;
        }
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == guardTimer_) {
            ++guard;
            continue;
        }
        if (preTranslate) {
            dlg->ProcessMessage(msg);
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

bool DialogRig::PumpUntil(const std::function<bool()>& done, int maxTicks) {
    return Pump(
        true, [&](int) { return done(); }, maxTicks);
}

bool DialogRig::PumpTicks(int ticks) {
    return Pump(
        true, [ticks](int seen) { return seen >= ticks; }, ticks);
}

bool DialogRig::PumpInsideBox(int ticks) {
    return Pump(
        false, [ticks](int seen) { return seen >= ticks; }, ticks);
}

bool DialogRig::PumpInsideBoxUntil(const std::function<bool()>& done, int maxTicks) {
    return Pump(
        false, [&](int) { return done(); }, maxTicks);
}

bool DialogRig::PumpUntilIdle() {
    if (!PumpUntil([this] { return st->g_bBusy == 0; })) return false;
    // The controls come back on the first tick after the worker let go.
    PumpTicks(1);
    return true;
}

}  // namespace quillon::test
