// What a simulated device is: identities, collections, flash geometry, module, timing, faults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimFrame.h"

namespace quillon::sim {

struct Identity {
    std::uint16_t vid = 0x0581;
    std::uint16_t pid = 0x0115;
};

// One top-level collection, each an interface with its own path.
struct SimCollection {
    std::uint16_t usagePage = 0xFF00;
    std::uint16_t usage = 1;
    std::uint16_t inputLength = 64;   // report-ID byte included
    std::uint16_t outputLength = 64;  // report-ID byte included
};

enum class FaultKind {
    kNoAnswer,      // the write completes, no input report comes
    kWriteTimeout,  // the write never completes
    kErrorStatus,   // answered with status 1, nothing done
    kCorruptRead,   // done, but a data bit of the answer is flipped
    kGone,          // the device is unplugged on receiving it
    kLate,          // done, but the answer comes delayMs later than it would
    kPowerCut,      // the power goes at once, before the command takes effect or just after
};

// Every kind, for those that read kinds by name or pick among them.
inline constexpr FaultKind kFaultKinds[] = {FaultKind::kNoAnswer,    FaultKind::kWriteTimeout,
                                            FaultKind::kErrorStatus, FaultKind::kCorruptRead,
                                            FaultKind::kGone,        FaultKind::kLate,
                                            FaultKind::kPowerCut};

const char* FaultName(FaultKind kind);

// The port of the index-th device of a bus (0-based) that was given none: "sim-1", "sim-2", ...
std::string DefaultPort(std::size_t index);

// Applies to occurrences from..to (1-based, inclusive) of one command.
struct FaultRule {
    SimCommand command = SimCommand::kUnknown;
    std::uint32_t from = 1;
    std::uint32_t to = 1;
    FaultKind kind = FaultKind::kNoAnswer;
    std::uint32_t delayMs = 0;  // kLate
    bool after = false;         // kPowerCut: the command has taken effect when the power goes
};

enum class EraseKind { kBlock, kWhole };

struct SimDeviceConfig {
    std::uint32_t model = 3;  // the value QueryModel answers
    // The model whose frame format and opcodes the device expects (0: the same as model).
    std::uint32_t frameModel = 0;
    Identity application{0x0581, 0x0115};
    Identity bootloader{0x0581, 0x0115};
    bool startInBootloader = false;
    std::uint8_t bootloaderKind = 0;  // QueryMode's answer in the boot loader
    std::uint8_t generation = 3;      // device information byte 3
    std::uint8_t family = 0;          // device information byte 6
    std::vector<SimCollection> collections = std::vector<SimCollection>(1);
    std::uint32_t blockSize = 4096;  // what one EraseFlash erases
    EraseKind erase = EraseKind::kBlock;
    bool hasModule = false;         // QueryMode then reports the module: 0 ready
    std::uint32_t moduleWakes = 0;  // WakeModule commands needed before it is ready
    bool moduleAbsent = false;
    std::uint32_t restartDelayMs = 1500;
    bool restartNever = false;
    std::uint32_t latencyMs = 0;  // per report
    // Byte 1 of every answer: the request's opcode, as the family echoes it, unless the device
    // is one that puts this fixed value there instead.
    bool echoesOpcode = true;
    std::uint8_t commandByte = 0;
    std::uint64_t flashSize = 0x02000000;
    std::uint64_t spiSize = 0x01000000;
    std::uint32_t seed = 1;  // of the old flash content
    // Where the application's first word lies in MCU flash. The boot loader starts the
    // application only when that word is in place (not erased, not a placeholder).
    std::uint32_t firstWordAt = 0;
    // The physical port it is plugged into (empty: "sim-N" for the N-th device of the bus); it
    // keeps it across restarts.
    std::string port;
    std::uint64_t plugAtMs = 0;             // when it is plugged in
    std::uint64_t unplugAtMs = UINT64_MAX;  // when it is pulled out, for good
    std::vector<FaultRule> faults;
};

}  // namespace quillon::sim
