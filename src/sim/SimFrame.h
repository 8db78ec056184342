// How a simulated device reads the reports it gets: which command, which fields, and whether
// the frame is well formed in the format its model uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quillon::sim {

enum class SimCommand {
    kQueryMode,
    kQueryModel,
    kReadDeviceInfo,
    kEraseFlash,
    kWriteFlash,
    kReadFlash,
    kJumpTo,
    kWakeModule,
    kSpiErase,
    kSpiWrite,
    kSpiRead,
    kSwitch,
    kUnknown,
};
inline constexpr int kCommandKinds = static_cast<int>(SimCommand::kUnknown) + 1;

const char* CommandName(SimCommand c);
std::optional<SimCommand> CommandFromName(const std::string& name);

struct DecodedFrame {
    SimCommand command = SimCommand::kUnknown;
    std::string error;                   // empty when the frame is well formed
    std::uint32_t value = 0;             // address, or the JumpTo argument
    std::uint32_t count = 0;             // Read and Write forms
    const std::uint8_t* data = nullptr;  // Write form: count bytes
};

// The frame format (0 CRC, 1 CRC with 16-bit length, 2 XOR) that a device of this model uses.
std::uint8_t DeviceFrameFormat(std::uint32_t model);

// Decodes one output report (byte 0 the report ID) as a device of the given model would.
DecodedFrame DecodeFrame(const std::uint8_t* report, std::size_t len, std::uint32_t model);

}  // namespace quillon::sim
