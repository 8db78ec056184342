#include "firmware/ModelTable.h"

#include <array>

namespace quillon {

namespace {

// Type-0 targets of 0 mean "keep the pair that the type byte chose" (models 1, 5, 7).
constexpr std::array<ModelRow, 10> kRows = {{
    {1, 0, 0, 0x0581, 0x0111, true, false, FRAME_CRC, false},
    {3, 0x0581, 0x0115, 0x0581, 0x0115, false, false, FRAME_CRC, false},
    {4, 0x0581, 0x0115, 0x0581, 0x0115, false, false, FRAME_CRC, false},
    {5, 0, 0, 0x0581, 0x0120, true, false, FRAME_CRC, false},
    {6, 0x0581, 0x0115, 0x0581, 0x0115, false, true, FRAME_CRC_LEN16, true},
    {7, 0, 0, 0x0581, 0x0121, true, false, FRAME_CRC, false},
    {8, 0x0581, 0x0115, 0x0581, 0x0115, false, false, FRAME_CRC, false},
    {10, 0x0581, 0x0110, 0x0581, 0x0110, false, true, FRAME_XOR, true},
    {259, 0x0581, 0x0115, 0x0581, 0x0115, false, false, FRAME_CRC, false},
    {264, 0x0581, 0x0215, 0x0581, 0x0215, false, false, FRAME_CRC, false},
}};

}  // namespace

std::optional<ModelRow> FindModelRow(std::uint32_t modelCode) {
    for (const ModelRow& row : kRows) {
        if (row.code == modelCode) return row;
    }
    return std::nullopt;
}

std::span<const ModelRow> ModelRows() {
    return kRows;
}

std::uint32_t ModelCodeOfBootLoaderKind(std::uint8_t kind) {
    switch (kind) {
        case 0:
            return 3;
        case 16:
            return 259;
        case 17:
            return 8;
        case 18:
            return 264;
        default:
            return 0;
    }
}

bool IsBootSwitchRun(std::uint32_t model) {
    const std::uint32_t code = model & 0xFFFF;
    return (model & 0xFF) == 3 || code == 4 || code == 8 || code == 264;
}

bool FileAsksForSwitch(std::uint8_t storage, std::uint32_t type) {
    return storage != 1 && type != 0;
}

bool HasModelCheck(std::uint32_t model) {
    switch (model & 0xFF) {
        case 1:
        case 3:
        case 4:
        case 5:
            return false;
        default:
            return true;
    }
}

std::uint32_t McuBlockSize(std::uint32_t model) {
    switch (model & 0xFF) {
        case 3:
        case 4:
        case 6:
        case 7:
        case 8:
            return 4096;
        default:
            return 512;
    }
}

std::uint32_t FirstWordOffset(std::uint32_t model, std::uint32_t start) {
    return (model & 0xFF) == 8 && static_cast<std::int32_t>(start) < 0x24000 ? 3 : 0;
}

}  // namespace quillon
