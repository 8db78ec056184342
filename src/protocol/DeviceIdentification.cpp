#include "protocol/DeviceIdentification.h"

#include "firmware/ModelProfile.h"
#include "state/Texts.h"

namespace quillon {

namespace {

constexpr std::size_t kAnswerArea = 64;
constexpr int kGenerationByte = 3;
constexpr int kFamilyByte = 6;

}  // namespace

const std::string& DeviceIdentification::CandidatePath() const {
    static const std::string kNone;
    return s_.st.g_pDetail ? s_.st.g_pDetail->devicePath : kNone;
}

bool DeviceIdentification::KindFits(const std::uint8_t* info) {
    const auto generation = static_cast<std::int8_t>(info[kGenerationByte]);
    const std::uint8_t family = info[kFamilyByte];
    const KindRule& kind = LoadedProfile(s_.st).kind;
    if (generation < 4) return generation == 3 && kind.olderGenerationFits;
    if (kind.hasFamily) return family == kind.family;
    s_.op.ShowMessage(text::kNewerDevice);
    return false;
}

std::uint8_t DeviceIdentification::IdentifyAndSwitch(bool query) {
    std::uint8_t info[kAnswerArea] = {};
    Channel ch = channel_.OpenChannel(CandidatePath());
    if (query) {
        if (commands_.QueryMode(ch) == kNoAnswer) {
            channel_.CloseChannel(ch);
            return 0;
        }
        commands_.ReadDeviceInfo(ch, info);
        bool fits = KindFits(info);
        if (fits && LoadedProfile(s_.st).kind.comparesModelValue) {
            const std::uint32_t model = commands_.QueryModel(ch);
            if (model == kNoModel) {
                fits = false;
            } else if ((model & 0xFFFFFF00u) != (s_.st.g_fwModel & 0xFFFFFF00u)) {
                s_.op.ShowMessage(text::kFirmwareMismatchBang);
                fits = false;
            }
        }
        if (!fits) {
            channel_.CloseChannel(ch);
            return 1;
        }
    }
    s_.st.phases.Enter(Phase::kSwitching, s_.hid.NowMs());
    // The switch request reuses the frame sent before it: only byte 1 changes.
    s_.st.g_outReport[1] = kSwitchRequest;
    transport_.SendReport(ch.hDevice, ch.hEvent);
    channel_.CloseChannel(ch);
    return 2;
}

std::uint8_t DeviceIdentification::IdentifyDevice() {
    std::uint8_t info[kAnswerArea] = {};
    Channel ch = channel_.OpenChannel(CandidatePath());
    std::uint8_t result;
    if (commands_.QueryMode(ch) == kNoAnswer) {
        result = 2;
    } else if (LoadedProfile(s_.st).kind.identifiesByModel) {
        const std::uint32_t model = commands_.QueryModel(ch);
        result = model == kNoModel ? 1 : model == s_.st.g_fwModel ? 0 : 0xFF;
    } else {
        commands_.ReadDeviceInfo(ch, info);
        result = KindFits(info) ? 0 : 1;
    }
    channel_.CloseChannel(ch);
    return result;
}

}  // namespace quillon
