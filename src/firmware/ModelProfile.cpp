#include "firmware/ModelProfile.h"

#include <array>
#include <iterator>

#include "state/SharedState.h"

// A row that leaves out a rule must not build: it would silently take a zero.
#pragma GCC diagnostic error "-Wmissing-field-initializers"

namespace quillon {

namespace {

constexpr UsbIdentity kApplication{0x0581, 0x0110};
constexpr UsbIdentity kScanner{0x0581, 0x0115};
constexpr UsbIdentity kScanner264{0x0581, 0x0215};

constexpr std::uint8_t kQueryModeSlot = 6;
constexpr std::uint8_t kQueryModeFixed = 0x5D;

constexpr ModuleRule kNoModule{
    .kind = ModuleKind::kNone, .attempts = 0, .wakeDelayMs = 0, .settleMs = 0};
constexpr ModuleRule kBluetoothModule{
    .kind = ModuleKind::kBluetooth, .attempts = 5, .wakeDelayMs = 22, .settleMs = 500};
constexpr ModuleRule kOtherModule{
    .kind = ModuleKind::kOther, .attempts = 5, .wakeDelayMs = 22, .settleMs = 500};

constexpr std::uint32_t kJumpToLoader = 0x01001004;
constexpr std::uint32_t kJumpToLoader8 = 0x1003;

constexpr BootSwitchRule kNoBootSwitch{.runs = false,
                                       .jumpArgument = 0,
                                       .hasLoaderKind = false,
                                       .loaderKind = 0,
                                       .loaderKindAsksModel = false,
                                       .skipsChunkReadBack = false};

constexpr KindRule NewerKind(bool identifiesByModel) {
    return {.olderGenerationFits = false,
            .hasFamily = false,
            .family = 0,
            .comparesModelValue = false,
            .identifiesByModel = identifiesByModel};
}

constexpr FirstWordRule kFirstWordAtStart{.place = FirstWordPlace::kAtStart,
                                          .allOnesInHighArea = true,
                                          .heldBackAtZero = false,
                                          .writeAttempts = 1,
                                          .readBack = true};

constexpr std::array<ModelProfile, 10> kProfiles = {{
    {.code = 1,
     .type0Target = kApplication,
     .type1Target = {0x0581, 0x0111},
     .type1SetsBootPair = true,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kQueryModeFixed,
     .modeByteAt = 4,
     .kind = {.olderGenerationFits = true,
              .hasFamily = true,
              .family = 0,
              .comparesModelValue = false,
              .identifiesByModel = false},
     .bootSwitch = kNoBootSwitch,
     .modelCheck = false,
     .blockSize = 512,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = kFirstWordAtStart,
     .skipsFinalJumpFlag = false},
    {.code = 3,
     .type0Target = kScanner,
     .type1Target = kScanner,
     .type1SetsBootPair = false,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kStandardOpcodes[kQueryModeSlot],
     .modeByteAt = 2,
     .kind = NewerKind(false),
     .bootSwitch = {.runs = true,
                    .jumpArgument = kJumpToLoader,
                    .hasLoaderKind = true,
                    .loaderKind = 0,
                    .loaderKindAsksModel = false,
                    .skipsChunkReadBack = false},
     .modelCheck = false,
     .blockSize = 4096,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = kFirstWordAtStart,
     .skipsFinalJumpFlag = false},
    {.code = 4,
     .type0Target = kScanner,
     .type1Target = kScanner,
     .type1SetsBootPair = false,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kStandardOpcodes[kQueryModeSlot],
     .modeByteAt = 2,
     .kind = NewerKind(false),
     .bootSwitch = {.runs = true,
                    .jumpArgument = kJumpToLoader,
                    .hasLoaderKind = false,
                    .loaderKind = 0,
                    .loaderKindAsksModel = false,
                    .skipsChunkReadBack = false},
     .modelCheck = false,
     .blockSize = 4096,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = kFirstWordAtStart,
     .skipsFinalJumpFlag = false},
    {.code = 5,
     .type0Target = kApplication,
     .type1Target = {0x0581, 0x0120},
     .type1SetsBootPair = true,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kQueryModeFixed,
     .modeByteAt = 4,
     .kind = {.olderGenerationFits = false,
              .hasFamily = true,
              .family = 1,
              .comparesModelValue = false,
              .identifiesByModel = false},
     .bootSwitch = kNoBootSwitch,
     .modelCheck = false,
     .blockSize = 512,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = kFirstWordAtStart,
     .skipsFinalJumpFlag = false},
    {.code = 6,
     .type0Target = kScanner,
     .type1Target = kScanner,
     .type1SetsBootPair = false,
     .opcodes = kAlternateOpcodes,
     .frameFormat = FRAME_CRC_LEN16,
     .queryModeOpcode = kAlternateOpcodes[kQueryModeSlot],
     .modeByteAt = 2,
     .kind = NewerKind(false),
     .bootSwitch = kNoBootSwitch,
     .modelCheck = true,
     .blockSize = 4096,
     .wholeChipErase = false,
     .module = kBluetoothModule,
     .chunkReadBack = false,
     .eraseAndWriteFailuresRetry = true,
     .firstWord = {.place = FirstWordPlace::kAtStart,
                   .allOnesInHighArea = false,
                   .heldBackAtZero = false,
                   .writeAttempts = 10,
                   .readBack = false},
     .skipsFinalJumpFlag = true},
    {.code = 7,
     .type0Target = kApplication,
     .type1Target = {0x0581, 0x0121},
     .type1SetsBootPair = true,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kQueryModeFixed,
     .modeByteAt = 2,
     .kind = {.olderGenerationFits = false,
              .hasFamily = true,
              .family = 2,
              .comparesModelValue = true,
              .identifiesByModel = false},
     .bootSwitch = kNoBootSwitch,
     .modelCheck = true,
     .blockSize = 4096,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = {.place = FirstWordPlace::kAtStart,
                   .allOnesInHighArea = true,
                   .heldBackAtZero = false,
                   .writeAttempts = 10,
                   .readBack = true},
     .skipsFinalJumpFlag = false},
    {.code = 8,
     .type0Target = kScanner,
     .type1Target = kScanner,
     .type1SetsBootPair = false,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kStandardOpcodes[kQueryModeSlot],
     .modeByteAt = 2,
     .kind = NewerKind(false),
     .bootSwitch = {.runs = true,
                    .jumpArgument = kJumpToLoader8,
                    .hasLoaderKind = true,
                    .loaderKind = 17,
                    .loaderKindAsksModel = true,
                    .skipsChunkReadBack = false},
     .modelCheck = true,
     .blockSize = 4096,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = {.place = FirstWordPlace::kPlus3Below0x24000,
                   .allOnesInHighArea = true,
                   .heldBackAtZero = false,
                   .writeAttempts = 1,
                   .readBack = true},
     .skipsFinalJumpFlag = false},
    {.code = 10,
     .type0Target = kApplication,
     .type1Target = kApplication,
     .type1SetsBootPair = false,
     .opcodes = kAlternateOpcodes,
     .frameFormat = FRAME_XOR,
     .queryModeOpcode = kAlternateOpcodes[kQueryModeSlot],
     .modeByteAt = 2,
     .kind = NewerKind(true),
     .bootSwitch = kNoBootSwitch,
     .modelCheck = true,
     .blockSize = 512,
     .wholeChipErase = true,
     .module = kOtherModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = {.place = FirstWordPlace::kAtStart,
                   .allOnesInHighArea = true,
                   .heldBackAtZero = true,
                   .writeAttempts = 1,
                   .readBack = true},
     .skipsFinalJumpFlag = true},
    {.code = 259,
     .type0Target = kScanner,
     .type1Target = kScanner,
     .type1SetsBootPair = false,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kStandardOpcodes[kQueryModeSlot],
     .modeByteAt = 2,
     .kind = NewerKind(false),
     .bootSwitch = {.runs = true,
                    .jumpArgument = kJumpToLoader,
                    .hasLoaderKind = true,
                    .loaderKind = 16,
                    .loaderKindAsksModel = false,
                    .skipsChunkReadBack = true},
     .modelCheck = false,
     .blockSize = 4096,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = kFirstWordAtStart,
     .skipsFinalJumpFlag = false},
    {.code = 264,
     .type0Target = kScanner264,
     .type1Target = kScanner264,
     .type1SetsBootPair = false,
     .opcodes = kStandardOpcodes,
     .frameFormat = FRAME_CRC,
     .queryModeOpcode = kStandardOpcodes[kQueryModeSlot],
     .modeByteAt = 2,
     .kind = NewerKind(false),
     .bootSwitch = {.runs = true,
                    .jumpArgument = kJumpToLoader8,
                    .hasLoaderKind = true,
                    .loaderKind = 18,
                    .loaderKindAsksModel = true,
                    .skipsChunkReadBack = false},
     .modelCheck = true,
     .blockSize = 4096,
     .wholeChipErase = false,
     .module = kNoModule,
     .chunkReadBack = true,
     .eraseAndWriteFailuresRetry = false,
     .firstWord = {.place = FirstWordPlace::kPlus3Below0x24000,
                   .allOnesInHighArea = true,
                   .heldBackAtZero = false,
                   .writeAttempts = 1,
                   .readBack = true},
     .skipsFinalJumpFlag = false},
}};

}  // namespace

std::uint32_t ModelProfile::FirstWordOffset(std::uint32_t start) const {
    const bool below = static_cast<std::int32_t>(start) < 0x24000;
    return firstWord.place == FirstWordPlace::kPlus3Below0x24000 && below ? 3 : 0;
}

const ModelProfile* FindModelProfile(std::uint32_t modelCode) {
    for (const ModelProfile& row : kProfiles) {
        if (row.code == modelCode) return &row;
    }
    return nullptr;
}

const ModelProfile& LoadedProfile(const SharedState& st) {
    return *st.g_pModelProfile;
}

ModelProfiles AllModelProfiles() {
    return {kProfiles.data(), kProfiles.size()};
}

bool FileAsksForSwitch(std::uint8_t storage, std::uint32_t type) {
    return storage != 1 && type != 0;
}

}  // namespace quillon
