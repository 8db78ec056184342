#include "protocol/ProgramDevice.h"

#include <cstring>

#include "firmware/FirmwareHeader.h"
#include "protocol/CommandFrame.h"
#include "protocol/McuProgrammer.h"
#include "protocol/PayloadReader.h"
#include "protocol/SpiProgrammer.h"
#include "state/Texts.h"

namespace quillon {

void Programmer::Enter(Phase phase) {
    st_.phases.Enter(phase, s_.hid.NowMs());
}

void Programmer::Advance(ProgramStep step, std::uint32_t index, std::uint64_t bytesDone) {
    const std::uint64_t now = s_.hid.NowMs();
    if (step != ProgramStep::kNone) st_.phases.Step(step, index, now);
    st_.phases.Advance(bytesDone, now);
}

void Programmer::CloseChannel() {
    rx_.channel.CloseChannel(ch_);
}

bool Programmer::CreateLog() {
    log_ = s_.files.Create(kReadBackLogName);
    if (!log_) st_.phases.Explain(s_.files.LastError());
    return log_ != nullptr;
}

bool Programmer::Log(const std::uint8_t* data, std::uint32_t n) {
    return log_ && log_->Write(data, n);
}

bool Programmer::CloseLog() {
    const bool kept = log_->Close();
    log_.reset();
    return kept;
}

void Programmer::OpenDeviceChannel() {
    ch_ = rx_.channel.OpenChannel(st_.g_strDevicePath);
}

void Programmer::CloseDevice() {
    s_.hid.CloseHandle(ch_.hDevice);
    ch_.hDevice = kInvalidHandle;
}

bool Programmer::BeginTransferPhase(ReadableFile& file) {
    st_.g_progressStep = static_cast<std::int32_t>(payloadLength_ / 100);
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
    log_.reset();
    st_.g_bProgressActive = 0;
    return 1;
}

std::uint8_t Programmer::Completion() {
    if (ch_.hEvent != kInvalidHandle) s_.hid.CloseHandle(ch_.hEvent);
    ch_.hEvent = kInvalidHandle;
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
    payloadLength_ = static_cast<std::uint32_t>(length) - kHeaderSize;
    switch (st_.g_fwStorage) {
        case 0:
            return McuProgrammer(rx_, *this).Run(*file);
        case 1:
            return SpiProgrammer(rx_, *this).Run(*file);
        default:
            return Completion();  // nothing to program for this storage kind
    }
}

}  // namespace quillon
