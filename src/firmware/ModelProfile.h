// Everything that differs from one scanner model to the next, one row per accepted model code:
// the identities looked for, the frames spoken, and how the device is switched and programmed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/IdentifierTable.h"

namespace quillon {

enum FrameFormat : std::uint8_t { FRAME_CRC = 0, FRAME_CRC_LEN16 = 1, FRAME_XOR = 2 };

struct UsbIdentity {
    std::uint16_t vid;
    std::uint16_t pid;
};

// The module a scanner carries beside its MCU, which must answer before its flash is touched.
enum class ModuleKind : std::uint8_t { kNone, kBluetooth, kOther };

struct ModuleRule {
    ModuleKind kind;
    int attempts;               // queries before the module counts as missing
    std::uint32_t wakeDelayMs;  // after a query that found it asleep, before the wake command
    std::uint32_t settleMs;     // after the wake command, before the next query
};

// What the identification of a device running its application asks of it.
struct KindRule {
    bool olderGenerationFits;  // a generation-3 device fits (below 3 nothing does)
    bool hasFamily;            // false: any generation-4 device is newer than the file knows
    std::uint8_t family;       // the family byte a generation-4 device must report
    bool comparesModelValue;   // after a fitting kind, the model value above its low byte too
    bool identifiesByModel;    // identification asks the model value instead of the kind
};

// How the worker brings the device into its boot loader itself.
struct BootSwitchRule {
    bool runs;                   // false: discovery's switch request, or none, does it
    std::uint32_t jumpArgument;  // JumpTo's argument that restarts into the boot loader
    bool hasLoaderKind;          // false: a device already in its boot loader never fits
    std::uint8_t loaderKind;     // QueryMode's answer from a fitting boot loader
    bool loaderKindAsksModel;    // that answer is confirmed by the model value
    bool skipsChunkReadBack;     // after a switch the chunks are not read back
};

// Where the image's first word goes; it is held back until everything else is written.
enum class FirstWordPlace : std::uint8_t {
    kAtStart,
    kPlus3Below0x24000,  // 3 bytes in below 0x24000, with its own placeholder; at the start above
};

struct FirstWordRule {
    FirstWordPlace place;
    bool allOnesInHighArea;  // the placeholder is FF FF FF FF from 0x1024000 up
    bool heldBackAtZero;     // also held back for an image that starts at address 0
    int writeAttempts;       // attempts at writing it before the run fails
    bool readBack;           // compared after it is written
};

struct ModelProfile {
    std::uint32_t code;
    UsbIdentity type0Target;  // looked for with a type-0 file
    UsbIdentity type1Target;  // looked for with a type-1 file
    bool type1SetsBootPair;   // a type-1 file makes its target the boot-loader pair
    OpcodeTable opcodes;
    FrameFormat frameFormat;
    std::uint8_t queryModeOpcode;
    int modeByteAt;  // where QueryMode's answer holds the mode
    KindRule kind;
    BootSwitchRule bootSwitch;
    bool modelCheck;  // the worker compares the model value before programming
    std::uint32_t blockSize;
    bool wholeChipErase;  // one erase at the start instead of one per block
    ModuleRule module;
    bool chunkReadBack;
    bool eraseAndWriteFailuresRetry;  // else only a differing read-back retries the block
    FirstWordRule firstWord;
    bool skipsFinalJumpFlag;  // the header's skip byte is ignored: the final jump is always sent

    // Offset of the first word from the image start at this start address.
    std::uint32_t FirstWordOffset(std::uint32_t start) const;
};

// The row of an accepted model code (the low 16 bits of the model value), null for a refused one.
const ModelProfile* FindModelProfile(std::uint32_t modelCode);

struct SharedState;

// The row of the file the loader accepted; only asked for once a file has been accepted.
const ModelProfile& LoadedProfile(const SharedState& st);

// Every row, for whoever must go through them all.
struct ModelProfiles {
    const ModelProfile* first;
    std::size_t count;
    const ModelProfile* begin() const { return first; }
    const ModelProfile* end() const { return first + count; }
};
ModelProfiles AllModelProfiles();

// Whether a file of this storage byte and type byte has the worker's boot switch send the device
// into its boot loader: an MCU image (storage 0) of type 1.
bool FileAsksForSwitch(std::uint8_t storage, std::uint32_t type);

}  // namespace quillon
