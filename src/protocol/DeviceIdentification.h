// Asks a candidate found under an application-mode identity what it is, compares it with the
// loaded firmware, and for the boot-loader case sends the switch request.
#pragma once

#include <cstdint>

#include "hid/DeviceChannel.h"
#include "hid/LinkServices.h"
#include "hid/ReportTransport.h"
#include "protocol/DeviceCommands.h"

namespace quillon {

inline constexpr std::uint8_t kSwitchRequest = 0x52;

class DeviceIdentification {
  public:
    DeviceIdentification(LinkServices& s, DeviceChannel& channel, ReportTransport& transport,
                         DeviceCommands& commands)
        : s_(s), channel_(channel), transport_(transport), commands_(commands) {}

    // 0 no answer to QueryMode, 1 does not fit, 2 fits and the switch request was sent.
    std::uint8_t IdentifyAndSwitch(bool query);
    // 0 fits, 1 does not fit or no model answer, 2 no answer to QueryMode, 0xFF (frame format 2)
    // model value differs.
    std::uint8_t IdentifyDevice();

    // The generation/family/model-byte test shared by both; shows the newer-device text itself.
    bool KindFits(const std::uint8_t* info);

  private:
    const std::string& CandidatePath() const;

    LinkServices& s_;
    DeviceChannel& channel_;
    ReportTransport& transport_;
    DeviceCommands& commands_;
};

}  // namespace quillon
