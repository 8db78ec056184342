// The eleven device commands: each builds its frame in g_outReport, sends it, receives one answer
// and judges it, telling the operator about failures with the command's own texts.
#pragma once

#include <cstdint>

#include "hid/LinkServices.h"
#include "hid/ReportTransport.h"

namespace quillon {

inline constexpr std::uint32_t kNoModel = 0xFFFFFFFFu;
inline constexpr std::uint8_t kNoAnswer = 0xFF;

class DeviceCommands {
  public:
    DeviceCommands(LinkServices& s, ReportTransport& transport) : s_(s), t_(transport) {}

    // Results: 0 done, 1 failed, unless said otherwise. Counts above 52 are refused with 1
    // before anything is sent: no frame can carry them.
    std::uint8_t EraseFlash(const Channel& ch, std::uint64_t address);
    std::uint8_t ReadFlash(const Channel& ch, std::uint64_t count, std::uint64_t address,
                           std::uint8_t* dest);
    std::uint8_t WriteFlash(const Channel& ch, std::uint64_t count, std::uint64_t address,
                            const std::uint8_t* src);
    // 1 only when the report could not be sent; the answer is not waited on for a verdict.
    std::uint8_t WakeModule(const Channel& ch);
    std::uint8_t JumpTo(const Channel& ch, std::uint64_t value);
    // The device's mode byte, kNoAnswer (0xFF) without an answer.
    std::uint8_t QueryMode(const Channel& ch);
    // The device's model value, kNoModel without an answer.
    std::uint32_t QueryModel(const Channel& ch);
    // 0 with the first 10 bytes of the answer in dest, kNoAnswer without an answer.
    std::uint8_t ReadDeviceInfo(const Channel& ch, std::uint8_t* dest);
    std::uint8_t SpiErase(const Channel& ch, std::uint64_t address);
    std::uint8_t SpiRead(const Channel& ch, std::uint64_t count, std::uint64_t address,
                         std::uint8_t* dest);
    std::uint8_t SpiWrite(const Channel& ch, std::uint64_t count, std::uint64_t address,
                          const std::uint8_t* src);

    // The opcode QueryMode sends for the loaded firmware.
    std::uint8_t QueryModeOpcode() const;

  private:
    struct Texts {
        const char* sendFailed;
        bool clearsProgress;
        const char* receiveFailed;
    };
    enum class Outcome { kAnswered, kSendFailed, kReceiveFailed };

    Outcome Exchange(const Channel& ch, const Texts& texts);
    std::uint8_t Status() const { return s_.st.g_inReport[2]; }
    std::uint8_t* Out() { return s_.st.g_outReport.data(); }
    std::uint8_t Format() const { return s_.st.g_frameFormat; }
    std::uint8_t Slot(int slot) const { return s_.st.g_opcodeTable[slot]; }
    void Tell(const char* text);

    LinkServices& s_;
    ReportTransport& t_;
};

}  // namespace quillon
