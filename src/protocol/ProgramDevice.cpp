#include "protocol/ProgramDevice.h"

#include <cstring>

#include "firmware/FirmwareHeader.h"
#include "firmware/ModelTable.h"
#include "protocol/CommandFrame.h"
#include "protocol/PayloadReader.h"
#include "protocol/SpiProgrammer.h"
#include "state/Texts.h"

namespace quillon {

namespace {

constexpr std::uint8_t kPlaceholderFF[4] = {0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::uint8_t kPlaceholderLow[4] = {0xFF, 0xE1, 0xC3, 0xDD};
constexpr std::uint8_t kPlaceholder8[4] = {0xA3, 0x89, 0xEE, 0xB2};
constexpr std::int32_t kHighArea = 0x1024000;
constexpr int kBlockAttempts = 10;
constexpr int kModuleAttempts = 5;
constexpr std::uint32_t kModuleWakeDelayMs = 22;
constexpr std::uint32_t kModuleSettleMs = 500;

}  // namespace

void Programmer::Enter(Phase phase) {
    st_.phases.Enter(phase, s_.hid.NowMs());
}

void Programmer::Advance(ProgramStep step, std::uint32_t index, std::uint64_t bytesDone) {
    const std::uint64_t now = s_.hid.NowMs();
    if (step != ProgramStep::kNone) st_.phases.Step(step, index, now);
    st_.phases.Advance(bytesDone, now);
}

void Programmer::CloseChannel() {
    rx_.channel.CloseChannel(ch);
}

bool Programmer::CreateLog() {
    log = s_.files.Create(kReadBackLogName);
    if (!log) st_.phases.Explain(s_.files.LastError());
    return log != nullptr;
}

bool Programmer::Log(const std::uint8_t* data, std::uint32_t n) {
    return log && log->Write(data, n);
}

bool Programmer::BeginTransferPhase(ReadableFile& file) {
    st_.g_progressStep = static_cast<std::int32_t>(L / 100);
    st_.g_progressAccum = 0;
    st_.g_progressPercent = 0;
    Enter(Phase::kRereadingFile);
    if (ReloadValidatedPayload(s_, file)) return true;
    // Unless a switch went before, nothing that changes the device has been sent.
    st_.phases.End(st_.phases.DeviceChanged() ? RunEnd::kFailed : RunEnd::kFileRefused,
                   s_.hid.NowMs());
    s_.op.ShowMessage(text::kNoFile);
    return false;
}

std::uint8_t Programmer::Fail(const char* text) {
    if (text != nullptr) s_.op.ShowMessage(text);
    CloseChannel();
    log.reset();
    st_.g_bProgressActive = 0;
    return 1;
}

std::uint8_t Programmer::Completion() {
    if (ch.hEvent != kInvalidHandle) s_.hid.CloseHandle(ch.hEvent);
    ch.hEvent = kInvalidHandle;
    st_.g_progressPercent = 100;
    s_.op.WriteStatusLine(text::kDone);
    s_.op.ShowMessage(text::kDone);
    st_.g_bProgressActive = 0;
    return 0;
}

std::uint8_t Programmer::ProgramDevice() {
    std::memset(st_.g_outReport.data(), 0, kFrameArea);
    st_.g_strFirmwarePath = s_.op.ReadPathBox();
    std::unique_ptr<ReadableFile> file = s_.files.OpenRead(st_.g_strFirmwarePath);
    std::uint64_t length = 0;
    if (!file || !file->Length(length) || length < kHeaderSize) {
        s_.op.ShowMessage(text::kNoFile);
        return 1;
    }
    L = static_cast<std::uint32_t>(length) - kHeaderSize;
    switch (st_.g_fwStorage) {
        case 0:
            return McuPath(*file);
        case 1:
            return SpiProgrammer(rx_, *this).Run(*file);
        default:
            return Completion();  // nothing to program for this storage kind
    }
}

std::uint8_t Programmer::ModuleCheck(std::uint32_t m) {
    Enter(Phase::kWakingModule);
    std::uint8_t wake = 0;
    bool ready = false;
    for (int attempt = 0; attempt < kModuleAttempts && !ready; ++attempt) {
        ready = rx_.commands.QueryMode(ch) == 0;
        if (ready) break;
        s_.hid.Sleep(kModuleWakeDelayMs);
        wake = rx_.commands.WakeModule(ch);
        s_.hid.Sleep(kModuleSettleMs);
    }
    if (ready && wake == 0) return 0;
    s_.op.ShowMessage(m == 6 ? text::kNoBluetoothModule : text::kNoModule);
    CloseChannel();
    log.reset();
    st_.g_bProgressActive = 0;
    st_.g_bBusy = 0;
    return 1;
}

std::uint8_t Programmer::McuPath(ReadableFile& file) {
    const std::uint32_t m = st_.g_fwModel & 0xFF;
    const std::uint32_t B = McuBlockSize(st_.g_fwModel);
    const std::uint32_t N = (L + B - 1) / B;
    const std::uint32_t C = (B + kChunk - 1) / kChunk;
    const std::uint32_t R = B % kChunk;
    if (!BeginTransferPhase(file)) return 1;
    std::uint8_t* buf = st_.g_fileBuffer.get();

    // The first word stays out of the flash until everything else is in: a placeholder stands
    // in for it, so an interrupted update never leaves a valid-looking image.
    std::uint32_t S = st_.g_fwStartAddress;
    const auto signedS = static_cast<std::int32_t>(S);
    std::uint32_t w = ReadBe32(buf);
    bool wordAtPlus3 = false;
    // An image too short to hold the whole word has nothing to hold back: a placeholder cut
    // short, and a word written past the image, would leave the flash unlike the image.
    const bool model8Low = FirstWordOffset(st_.g_fwModel, S) == 3;
    const bool holdBack = L >= (model8Low ? 7u : 4u);
    if (!holdBack) {
        // programmed as it stands
    } else if (signedS >= kHighArea && m != 6) {
        std::memcpy(buf, kPlaceholderFF, 4);
    } else if (m == 8) {
        if (!model8Low) {
            std::memcpy(buf, kPlaceholderFF, 4);
        } else {
            w = ReadBe32(buf + 3);
            std::memcpy(buf + 3, kPlaceholder8, 4);
            wordAtPlus3 = true;
        }
    } else if (S != 0 || m == 10) {
        std::memcpy(buf, kPlaceholderLow, 4);
    }

    st_.g_bProgressActive = 1;
    ch = rx_.channel.OpenChannel(st_.g_strDevicePath);
    if (!CreateLog()) return Fail(text::kNoFile);
    if (ch.hDevice == kInvalidHandle) return Fail(text::kNoDevice);
    if ((m == 6 || m == 10) && ModuleCheck(m) != 0) return 1;
    s_.op.WriteStatusLine(text::kInProgress);
    if (m == 10) {
        Enter(Phase::kErasingAll);
        if (rx_.commands.EraseFlash(ch, S) != 0) return Fail(text::kEraseFailed);
    }

    st_.phases.EnterProgramming(false, N, L, s_.hid.NowMs());
    std::uint8_t readBack[64];
    for (std::uint32_t b = 0; b < N; ++b) {
        int failures = 0;
        bool blockDone = false;
        while (!blockDone) {
            // Every attempt of a block starts over from the block's first byte.
            Advance(m == 10 ? ProgramStep::kWrite : ProgramStep::kErase, b + 1, b * B);
            if (m != 10 && rx_.commands.EraseFlash(ch, S + b * B) != 0) {
                if (m != 6) return Fail(text::kEraseFailed);
                if (++failures == kBlockAttempts) return Fail(text::kEraseRetriesFailed);
                continue;
            }
            if (m != 10) st_.phases.Step(ProgramStep::kWrite, b + 1, s_.hid.NowMs());
            bool chunkFailed = false;
            for (std::uint32_t k = 0; k < C && !chunkFailed; ++k) {
                const std::uint32_t o = b * B + kChunk * k;
                std::uint32_t n = k < C - 1 ? kChunk : R;
                const bool lastOfPayload = o + n > L;
                if (lastOfPayload) n = L - o;
                const std::int32_t credit = static_cast<std::int32_t>(k < C - 1 ? kChunk + 2 : R);

                if (rx_.commands.WriteFlash(ch, n, S + o, buf + o) != 0) {
                    if (m != 6) return Fail(text::kWriteVerifyFailed);
                    if (++failures == kBlockAttempts) return Fail(text::kWriteRetriesFailed);
                    chunkFailed = true;
                } else if (m != 6 && st_.g_bSkipChunkVerify == 0) {
                    if (rx_.commands.ReadFlash(ch, n, S + o, readBack) != 0) return Fail(nullptr);
                    if (!Log(readBack, n)) return Fail(text::kNoFile);
                    if (std::memcmp(readBack, buf + o, n) != 0) {
                        if (++failures == kBlockAttempts) return Fail(text::kVerifyFailed);
                        chunkFailed = true;
                    }
                }
                const std::uint32_t index = lastOfPayload ? C : k;
                if (chunkFailed) {
                    // Take back what this attempt of the block was credited.
                    st_.g_progressAccum.fetch_sub(credit * static_cast<std::int32_t>(index));
                } else {
                    st_.g_progressAccum.fetch_add(credit);
                    Advance(ProgramStep::kNone, 0, o + n);
                    if (lastOfPayload) break;
                }
            }
            blockDone = !chunkFailed;
        }
    }

    // Models 8 and 264 put the word back at S + 3 also when S is 0, so that no placeholder stays.
    if (holdBack && (S != 0 || m == 10 || wordAtPlus3)) {
        Enter(Phase::kFirstWord);
        WriteBe32(buf, w);
        if (FirstWord(m, wordAtPlus3) != 0) return 1;
    }
    const bool logClosed = log->Close();
    log.reset();
    if (!logClosed) return Fail(text::kNoFile);
    if (st_.g_fwSkipFinal == 0) {
        Enter(Phase::kStartingFirmware);
        rx_.commands.JumpTo(ch, st_.g_fwFinalArg);
    }
    s_.hid.CloseHandle(ch.hDevice);
    ch.hDevice = kInvalidHandle;
    return Completion();
}

std::uint8_t Programmer::FirstWord(std::uint32_t m, bool atPlus3) {
    const std::uint8_t* buf = st_.g_fileBuffer.get();
    std::uint32_t S = st_.g_fwStartAddress;
    if (m == 6 || m == 7) {
        bool written = false;
        for (int i = 0; i < kBlockAttempts && !written; ++i) {
            written = rx_.commands.WriteFlash(ch, 4, S, buf) == 0;
        }
        if (!written) return Fail(text::kWriteRetriesFailed);
    } else {
        // WriteFlash tells nobody; a run must not end without a word to the operator.
        const std::uint32_t at = atPlus3 ? S + 3 : S;
        if (rx_.commands.WriteFlash(ch, 4, at, buf) != 0) return Fail(text::kWriteVerifyFailed);
        if (atPlus3) {
            st_.g_fwStartAddress += 3;
            S += 3;
        }
    }
    if (m == 6) return 0;
    std::uint8_t readBack[64];
    if (rx_.commands.ReadFlash(ch, 4, S, readBack) != 0) return Fail(nullptr);
    if (std::memcmp(readBack, buf, 4) != 0) return Fail(text::kVerifyFailed);
    return 0;
}

}  // namespace quillon
