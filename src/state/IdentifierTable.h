// The built-in USB identifiers and opcode sets that the loader and discovery share.
#pragma once

#include <array>
#include <cstdint>

namespace quillon {

using OpcodeTable = std::array<std::uint8_t, 8>;

inline constexpr OpcodeTable kStandardOpcodes = {0x37, 0x39, 0x38, 0x46, 0x4A, 0x5D, 0x64, 0x65};
inline constexpr OpcodeTable kAlternateOpcodes = {0x80, 0x82, 0x81, 0x83, 0x84, 0x85, 0x86, 0x87};

struct IdentifierTable {
    static constexpr std::uint32_t g_model5Vid = 0x0581, g_model5Pid = 0x0120;
    static constexpr std::uint32_t g_model7Vid = 0x0581, g_model7Pid = 0x0121;
    static constexpr std::uint32_t g_model264Vid = 0x0581, g_model264Pid = 0x0215;
    static constexpr std::uint32_t g_type0Vid = 0x0581, g_type0Pid = 0x0110;
    static constexpr std::uint32_t g_appVid = 0x0581;
    static constexpr std::uint32_t g_appPid1 = 0x0110, g_appPid2 = 0x011A, g_appPid3 = 0x011D;
    static constexpr std::uint32_t g_model3Vid = 0x0581, g_model3Pid = 0x0115;
    static constexpr std::uint32_t g_model264MatchVid = 0x0581, g_model264MatchPid = 0x0215;
    // Discovery's own identity, treated like an application-mode device of the family.
    static constexpr std::uint32_t kAltVid = 0x1EAB, kAltPid = 0x3303;
};

}  // namespace quillon
