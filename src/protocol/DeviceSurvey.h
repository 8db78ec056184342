// What each device of the family on the bus is: its identity, whether it runs its application or
// waits in its boot loader, the model it reports and, waiting, the file that can reach it. Asked
// with the read-only queries of the identification only; nothing that switches, erases, writes
// or jumps is ever sent, so a survey leaves every device as it found it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"

namespace quillon {

enum class DeviceMode : std::uint8_t {
    kApplication,
    kBootLoader,
    kUnknown,  // neither its identity nor an answer tells
};

// The firmware file that a device waiting in its boot loader takes.
struct NeededFile {
    std::uint32_t model = 0;  // model code
    bool eitherType = false;  // its boot loader shows the application's identity: any type does
};

struct SurveyedDevice {
    std::string path;
    std::string port;  // empty where the platform cannot tell
    std::uint16_t vid = 0, pid = 0;
    DeviceMode mode = DeviceMode::kUnknown;
    std::optional<std::uint32_t> model;          // what QueryModel answered
    std::optional<std::uint8_t> bootLoaderKind;  // the QueryMode answer of a waiting device
    std::optional<NeededFile> needs;             // waiting, and a file is known to reach it
};

// Every device of the family on hid (at one of ports, when any are given) in enumeration order,
// one per port: the first interface of it that is not a mouse or keyboard collection (one per
// interface where ports are unknown). False when the interfaces cannot be listed.
bool SurveyDevices(HidPlatform& hid, std::vector<SurveyedDevice>& out,
                   const std::vector<std::string>& ports = {});

}  // namespace quillon
