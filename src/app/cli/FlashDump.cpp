#include "app/cli/FlashDump.h"

#include <cstdio>
#include <vector>

#include "app/Host.h"
#include "firmware/FirmwareHeader.h"

namespace quillon::cli {

bool DumpFlash(const sim::SimDevice& device, const SharedState& loaded, const std::string& path) {
    const std::uint32_t start = loaded.g_fwStartAddress;
    const std::uint32_t length = loaded.g_cbValidatedFile - kHeaderSize;
    const sim::SimFlash& flash = loaded.g_fwStorage == 1 ? device.Spi() : device.Flash();
    std::vector<std::uint8_t> bytes(length);
    if (flash.InRange(start, length)) flash.Read(start, bytes.data(), length);
    std::FILE* f = OpenForWriting(path);
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace quillon::cli
