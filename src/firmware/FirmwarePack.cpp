#include "firmware/FirmwareChecksum.h"
#include "firmware/FirmwareHeader.h"

namespace quillon {

std::vector<std::uint8_t> PackFirmware(const FirmwareFields& fields,
                                       const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> file(kHeaderSize + image.size(), 0);
    std::uint8_t* h = file.data();
    h[header::kType] = fields.type;
    h[header::kStorage] = fields.storage;
    WriteLe32(h + header::kStartAddress, fields.startAddress);
    h[header::kSkipFinal] = fields.skipFinal;
    WriteLe32(h + header::kFinalArg, fields.finalArg);
    WriteLe32(h + header::kModel, fields.model);
    WriteLe32(h + header::kZeroWord, fields.zeroWord);
    std::copy(image.begin(), image.end(), file.begin() + kHeaderSize);
    const auto length = static_cast<std::uint32_t>(file.size());
    WriteLe32(h + header::kDataLength, length - 8);
    WriteLe32(h + header::kChecksum, FirmwareChecksum(h + 8, length - 8));
    return file;
}

}  // namespace quillon
