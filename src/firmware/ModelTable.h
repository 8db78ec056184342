// What follows from a firmware file's model code: target identifiers, opcode set, frame format.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace quillon {

enum FrameFormat : std::uint8_t { FRAME_CRC = 0, FRAME_CRC_LEN16 = 1, FRAME_XOR = 2 };

struct ModelRow {
    std::uint32_t code;
    std::uint32_t type0Vid, type0Pid;  // target for type byte 0 (0 = keep the type-0 pair)
    std::uint32_t type1Vid, type1Pid;  // target for type byte 1
    bool setsBootPair;                 // type 1 rewrites the boot-loader pair to the type-1 target
    bool alternateOpcodes;
    std::uint8_t frameFormat;
    bool forcesSkipFinalZero;
};

// The row of an accepted model code, or nothing for a refused one.
std::optional<ModelRow> FindModelRow(std::uint32_t modelCode);

// Every accepted model's row, in the order of their codes.
std::span<const ModelRow> ModelRows();

// The model code whose type-1 file a boot loader of this kind (its QueryMode answer) takes in the
// worker's boot switch; 0 for a kind that no file is taken by.
std::uint32_t ModelCodeOfBootLoaderKind(std::uint8_t kind);

// A run that goes through the worker's boot switch: model byte 3, or model codes 4, 8 and 264.
bool IsBootSwitchRun(std::uint32_t model);

// Whether a file of this storage byte and type byte has the worker's boot switch send the device
// into its boot loader: an MCU image (storage 0) of type 1.
bool FileAsksForSwitch(std::uint8_t storage, std::uint32_t type);

// A run whose model value the worker checks before programming: every model byte but 1, 3, 4, 5.
bool HasModelCheck(std::uint32_t model);

// MCU block size of a model: 4096 for model bytes 3, 4, 6, 7, 8; 512 otherwise.
std::uint32_t McuBlockSize(std::uint32_t model);

// Where an MCU image's first word lies, from its start address: 3 bytes further for model byte 8
// below 0x24000 (signed), where the placeholder stands at image bytes 3 to 6; 0 otherwise.
std::uint32_t FirstWordOffset(std::uint32_t model, std::uint32_t start);

}  // namespace quillon
