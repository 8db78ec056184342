// Builds command frames in an output report: 0xBA, opcode, length, payload, CRC-32 or XOR trailer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "firmware/ModelProfile.h"

namespace quillon {

inline constexpr std::size_t kFrameArea = 64;  // frames use the first 64 bytes of a report
inline constexpr std::size_t kMaxChunk = 52;   // the largest count a Read or Write form carries

// The standard CRC-32 of IEEE 802.3 (reflected 0xEDB88320, init and final XOR 0xFFFFFFFF).
std::uint32_t Crc32(const std::uint8_t* data, std::size_t len);

// Clears bytes 0..63 of report, writes the frame from byte 0 and returns its length.
// lengthField is the value of the length field (one byte in FRAME_CRC and FRAME_XOR);
// payloadLen bytes of payload follow it. The caller keeps payloadLen within the frame area.
std::size_t BuildFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                       std::uint16_t lengthField, const std::uint8_t* payload,
                       std::size_t payloadLen);

// The four payload forms.
std::size_t BuildAddressFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                              std::uint32_t value);
std::size_t BuildSignatureFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                                const std::uint8_t (&signature)[4]);
std::size_t BuildReadFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                           std::uint32_t address, std::uint32_t count);
// count must be at most kMaxChunk.
std::size_t BuildWriteFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                            std::uint32_t address, const std::uint8_t* data, std::uint32_t count);

inline void WriteBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

inline std::uint32_t ReadBe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

}  // namespace quillon
