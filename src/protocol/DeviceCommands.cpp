#include "protocol/DeviceCommands.h"

#include <cstring>

#include "firmware/ModelProfile.h"
#include "protocol/CommandFrame.h"
#include "state/Texts.h"

namespace quillon {

namespace {

constexpr std::uint8_t kSignature[4] = {0x55, 0x70, 0x43, 0xAA};
constexpr std::uint8_t kWakeSignatureLen16[4] = {0x55, 0xAA, 0xAA, 0x55};

constexpr std::uint8_t kOpReadDeviceInfo = 0x53;
constexpr std::uint8_t kOpSpiErase = 0x47;
constexpr std::uint8_t kOpSpiWrite = 0x48;
constexpr std::uint8_t kOpSpiRead = 0x49;
constexpr std::uint8_t kOpWakeFormat0 = 0x63;

enum Slot { kSlotErase = 0, kSlotRead = 1, kSlotWrite = 2, kSlotWake = 3, kSlotJump = 4 };
constexpr int kSlotQueryModel = 7;

}  // namespace

void DeviceCommands::Tell(const char* text) {
    if (text != nullptr) s_.op.ShowMessage(text);
}

DeviceCommands::Outcome DeviceCommands::Exchange(const Channel& ch, const Texts& texts) {
    if (t_.SendReport(ch.hDevice, ch.hEvent) != 0) {
        Tell(texts.sendFailed);
        if (texts.clearsProgress) s_.st.g_bProgressActive = 0;
        return Outcome::kSendFailed;
    }
    if (t_.ReceiveReport(ch.hDevice, ch.hEvent) != 0) {
        Tell(texts.receiveFailed);
        return Outcome::kReceiveFailed;
    }
    return Outcome::kAnswered;
}

std::uint8_t DeviceCommands::QueryModeOpcode() const {
    return LoadedProfile(s_.st).queryModeOpcode;
}

std::uint8_t DeviceCommands::EraseFlash(const Channel& ch, std::uint64_t address) {
    BuildAddressFrame(Out(), Format(), Slot(kSlotErase), static_cast<std::uint32_t>(address));
    if (Exchange(ch, {nullptr, true, nullptr}) != Outcome::kAnswered) return 1;
    return Status() == 0 ? 0 : 1;
}

std::uint8_t DeviceCommands::ReadFlash(const Channel& ch, std::uint64_t count,
                                       std::uint64_t address, std::uint8_t* dest) {
    if (count > kMaxChunk) return 1;
    const auto n = static_cast<std::uint32_t>(count);
    BuildReadFrame(Out(), Format(), Slot(kSlotRead), static_cast<std::uint32_t>(address), n);
    if (Exchange(ch, {text::kReadBurnFailed, true, text::kMcuReadVerifyFailed}) !=
        Outcome::kAnswered) {
        return 1;
    }
    // The data is copied before the status is judged, so an error still leaves it there.
    std::memcpy(dest, s_.st.g_inReport.data() + 4, n & 0x3F);
    if (Status() != 0) {
        Tell(text::kCommandError);
        return 1;
    }
    return 0;
}

std::uint8_t DeviceCommands::WriteFlash(const Channel& ch, std::uint64_t count,
                                        std::uint64_t address, const std::uint8_t* src) {
    if (count > kMaxChunk) return 1;
    BuildWriteFrame(Out(), Format(), Slot(kSlotWrite), static_cast<std::uint32_t>(address), src,
                    static_cast<std::uint32_t>(count));
    if (Exchange(ch, {nullptr, true, nullptr}) != Outcome::kAnswered) return 1;
    return Status() == 0 ? 0 : 1;
}

std::uint8_t DeviceCommands::WakeModule(const Channel& ch) {
    const bool len16 = Format() == FRAME_CRC_LEN16;
    const std::uint8_t op = Format() == FRAME_CRC ? kOpWakeFormat0 : Slot(kSlotWake);
    BuildSignatureFrame(Out(), Format(), op, len16 ? kWakeSignatureLen16 : kSignature);
    return Exchange(ch, {nullptr, false, nullptr}) == Outcome::kSendFailed ? 1 : 0;
}

std::uint8_t DeviceCommands::JumpTo(const Channel& ch, std::uint64_t value) {
    BuildAddressFrame(Out(), Format(), Slot(kSlotJump), static_cast<std::uint32_t>(value));
    if (Exchange(ch, {text::kBurnFailed, true, text::kVerifyFailed}) != Outcome::kAnswered) {
        return 1;
    }
    if (Status() != 0) {
        Tell(text::kCommandError);
        return 1;
    }
    return 0;
}

std::uint8_t DeviceCommands::QueryMode(const Channel& ch) {
    BuildSignatureFrame(Out(), Format(), QueryModeOpcode(), kSignature);
    if (Exchange(ch, {nullptr, false, nullptr}) != Outcome::kAnswered) return kNoAnswer;
    return s_.st.g_inReport[LoadedProfile(s_.st).modeByteAt];
}

std::uint32_t DeviceCommands::QueryModel(const Channel& ch) {
    BuildSignatureFrame(Out(), Format(), Slot(kSlotQueryModel), kSignature);
    if (Exchange(ch, {nullptr, false, nullptr}) != Outcome::kAnswered) return kNoModel;
    const std::uint32_t model = ReadBe32(s_.st.g_inReport.data() + 4);
    if (model != kNoModel) s_.st.phases.Identified(model);
    return model;
}

std::uint8_t DeviceCommands::ReadDeviceInfo(const Channel& ch, std::uint8_t* dest) {
    BuildSignatureFrame(Out(), FRAME_CRC, kOpReadDeviceInfo, kSignature);
    if (Exchange(ch, {nullptr, false, nullptr}) != Outcome::kAnswered) return kNoAnswer;
    std::memcpy(dest, s_.st.g_inReport.data(), 10);
    return 0;
}

std::uint8_t DeviceCommands::SpiErase(const Channel& ch, std::uint64_t address) {
    BuildAddressFrame(Out(), FRAME_CRC, kOpSpiErase, static_cast<std::uint32_t>(address));
    if (Exchange(ch, {text::kSpiEraseBurnFailed, true, text::kSpiEraseFailed}) !=
        Outcome::kAnswered) {
        return 1;
    }
    if (Status() == 1) {
        Tell(text::kCommandError);
        return 1;
    }
    return 0;
}

std::uint8_t DeviceCommands::SpiRead(const Channel& ch, std::uint64_t count, std::uint64_t address,
                                     std::uint8_t* dest) {
    if (count > kMaxChunk) return 1;
    const auto n = static_cast<std::uint32_t>(count);
    BuildReadFrame(Out(), FRAME_CRC, kOpSpiRead, static_cast<std::uint32_t>(address), n);
    if (Exchange(ch, {text::kSpiReadBurnFailed, true, text::kSpiReadVerifyFailed}) !=
        Outcome::kAnswered) {
        return 1;
    }
    if (Status() != 0) {
        Tell(text::kCommandError);
        return 1;
    }
    std::memcpy(dest, s_.st.g_inReport.data() + 4, n & 0x3F);
    return 0;
}

std::uint8_t DeviceCommands::SpiWrite(const Channel& ch, std::uint64_t count, std::uint64_t address,
                                      const std::uint8_t* src) {
    if (count > kMaxChunk) return 1;
    BuildWriteFrame(Out(), FRAME_CRC, kOpSpiWrite, static_cast<std::uint32_t>(address), src,
                    static_cast<std::uint32_t>(count));
    if (Exchange(ch, {text::kSpiWriteBurnFailed, true, text::kSpiWriteVerifyFailed}) !=
        Outcome::kAnswered) {
        return 1;
    }
    if (Status() == 1) {
        Tell(text::kCommandError);
        return 1;
    }
    return 0;
}

}  // namespace quillon
