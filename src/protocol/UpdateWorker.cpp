#include "protocol/UpdateWorker.h"

#include <algorithm>

#include "firmware/ModelProfile.h"
#include "protocol/ProgramDevice.h"
#include "state/Texts.h"

namespace quillon {

namespace {

constexpr std::uint32_t kFirstWaitMs = 500;
constexpr std::uint32_t kPollMs = 100;
constexpr std::uint32_t kPolls = 600;
constexpr std::uint32_t kQuerySettleMs = 200;
constexpr std::uint32_t kRestartSettleMs = 2000;
constexpr int kSwitchAttempts = 3;
constexpr std::uint32_t kTellWaitedMs = 1000;  // a long pause tells the time waited this often

void EnterPhase(LinkServices& s, Phase phase) {
    s.st.phases.Enter(phase, s.hid.NowMs());
}

// The longest wait for a restarted device: the first pause and the polls left.
void EnterWait(LinkServices& s, std::uint32_t firstMs, std::uint32_t pollsLeft) {
    s.st.phases.EnterWait(Phase::kWaitingForDevice, std::uint64_t{firstMs} + pollsLeft * kPollMs,
                          s.hid.NowMs());
}

void TellWaited(LinkServices& s, std::uint64_t since) {
    const std::uint64_t now = s.hid.NowMs();
    s.st.phases.Waited(now - since, now);
}

// Sleeps ms in steps of at most a second, each told as time waited since since, so that a
// display counts every second of a long pause.
void SleepTellingWaited(LinkServices& s, std::uint32_t ms, std::uint64_t since) {
    for (std::uint32_t left = ms; left > 0;) {
        const std::uint32_t step = std::min(left, kTellWaitedMs);
        s.hid.Sleep(step);
        left -= step;
        TellWaited(s, since);
    }
}

}  // namespace

RunEnd UpdateWorker::NothingFits() const {
    return s_.st.phases.DeviceChanged() ? RunEnd::kFailed : RunEnd::kNoDeviceFits;
}

int UpdateWorker::Exit(Receiver& rx, const char* text, int code, RunEnd end) {
    s_.st.phases.End(end, s_.hid.NowMs());
    if (text != nullptr) s_.op.ShowMessage(text);
    // The held handle is of no use once the run is over.
    rx.channel.CloseDeviceHandles();
    if (code != 0) s_.st.g_bProgressActive = 0;
    s_.st.g_bBusy = 0;
    return code;
}

bool UpdateWorker::WaitForRestartedDevice(Receiver& rx) {
    const std::uint64_t since = s_.hid.NowMs();
    EnterWait(s_, kFirstWaitMs, kPolls);
    SleepTellingWaited(s_, kFirstWaitMs, since);
    for (std::uint32_t poll = 0; poll < kPolls; ++poll) {
        TellWaited(s_, since);
        if (rx.discovery.FindDevice() == FIND_FOUND) return true;
        s_.hid.Sleep(kPollMs);
    }
    return false;
}

int UpdateWorker::ModelCheck(Receiver& rx) {
    EnterPhase(s_, Phase::kCheckingModel);
    Channel ch = rx.channel.OpenChannel(s_.st.g_strDevicePath);
    const std::uint32_t model = rx.commands.QueryModel(ch);
    rx.channel.CloseChannel(ch);
    if (model == kNoModel) return Exit(rx, text::kUsbConnectFailed, 1, NothingFits());
    if ((model & 0xFFFF) != (s_.st.g_fwModel & 0xFFFF)) {
        return Exit(rx, text::kFirmwareMismatch, 1, NothingFits());
    }
    return 0;
}

int UpdateWorker::UpdateThreadProc() {
    Receiver rx(s_);
    SharedState& st = s_.st;
    st.g_bSkipChunkVerify = 0;
    // A run that could not keep its read-back log would fail at it after switching and erasing
    // the device: it ends before anything is sent.
    if (!s_.files.Reserve(kReadBackLogName)) {
        st.phases.Explain(s_.files.LastError());
        return Exit(rx, text::kNoFile, 1, RunEnd::kNoLog);
    }
    EnterPhase(s_, Phase::kFindingDevice);
    std::uint8_t status = rx.discovery.FindDevice();
    const bool bootSwitchRun = LoadedProfile(st).bootSwitch.runs;
    bool waitTimedOut = false;
    if (!bootSwitchRun && status == FIND_SWITCHING) {
        waitTimedOut = !WaitForRestartedDevice(rx);
        if (!waitTimedOut) status = FIND_FOUND;
    }
    if (bootSwitchRun && status == FIND_FOUND) {
        const std::uint8_t r = SwitchToBootLoader(rx);
        if (r == kSwitchMismatch) return Exit(rx, text::kFirmwareMismatch, 1, NothingFits());
        status = r;
    }
    if (waitTimedOut || status == FIND_NONE) {
        return Exit(rx, text::kUsbConnectFailed, 1, NothingFits());
    }
    if (LoadedProfile(st).modelCheck && ModelCheck(rx) != 0) return 1;

    const std::uint8_t result = Programmer(rx).ProgramDevice();
    return Exit(rx, nullptr, result == 0 ? 0 : 1, result == 0 ? RunEnd::kDone : RunEnd::kFailed);
}

std::uint8_t UpdateWorker::SwitchToBootLoader(Receiver& rx) {
    LinkServices& s = rx.services;
    SharedState& st = s.st;
    const BootSwitchRule& rule = LoadedProfile(st).bootSwitch;
    enum class End { kSuccess, kFail, kMismatch };
    Channel ch = rx.channel.OpenChannel(st.g_strDevicePath);
    std::uint32_t polls = 0;
    End end = End::kSuccess;
    for (int attempt = 0;;) {
        EnterPhase(s, Phase::kCheckingModel);
        const std::uint8_t q = rx.commands.QueryMode(ch);
        s.hid.Sleep(kQuerySettleMs);
        if (q == 1) {
            const std::uint32_t model = rx.commands.QueryModel(ch);
            if (model == kNoModel) {
                end = End::kFail;
                break;
            }
            if (model != st.g_fwModel) {
                end = End::kMismatch;
                break;
            }
            if (!FileAsksForSwitch(st.g_fwStorage, st.g_fwType)) break;  // no switch needed
            EnterPhase(s, Phase::kSwitching);
            if (rx.commands.JumpTo(ch, rule.jumpArgument) != 0) {
                end = End::kFail;
                break;
            }
            const std::uint64_t since = s.hid.NowMs();
            EnterWait(s, kRestartSettleMs, kPolls - std::min(polls, kPolls));
            SleepTellingWaited(s, kRestartSettleMs, since);
            bool lost = false;
            for (;;) {
                TellWaited(s, since);
                if (rx.discovery.FindDevice() == FIND_FOUND) break;
                if (polls >= kPolls) {
                    lost = true;
                    break;
                }
                s.hid.Sleep(kPollMs);
                ++polls;
            }
            if (lost || polls >= kPolls) {
                end = End::kFail;
                break;
            }
            const std::uint64_t back = s.hid.NowMs();
            s.st.phases.EnterWait(Phase::kSettling, kRestartSettleMs, back);
            SleepTellingWaited(s, kRestartSettleMs, back);
            rx.channel.CloseChannel(ch);
            rx.channel.CloseDeviceHandles();
            ch = rx.channel.OpenChannel(st.g_strDevicePath);
            if (++attempt >= kSwitchAttempts) break;  // accepted without a further query
            continue;
        }
        if (q == kNoAnswer || !FileAsksForSwitch(st.g_fwStorage, st.g_fwType)) {
            end = End::kFail;
            break;
        }
        if (!rule.hasLoaderKind || q != rule.loaderKind) {
            end = End::kMismatch;
            break;
        }
        if (rule.loaderKindAsksModel) {
            const std::uint32_t model = rx.commands.QueryModel(ch);
            if (model == kNoModel)
                end = End::kFail;
            else if (model != st.g_fwModel)
                end = End::kMismatch;
        }
        break;
    }
    if (end == End::kSuccess && rule.skipsChunkReadBack) st.g_bSkipChunkVerify = 1;
    rx.channel.CloseChannel(ch);
    rx.channel.CloseDeviceHandles();
    switch (end) {
        case End::kSuccess:
            return 0;
        case End::kFail:
            return 1;
        case End::kMismatch:
            return kSwitchMismatch;
    }
    return 1;
}

}  // namespace quillon
