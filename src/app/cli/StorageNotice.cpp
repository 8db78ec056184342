#include "app/cli/StorageNotice.h"

namespace quillon::cli {

std::string StorageNotice(std::uint8_t storage) {
    if (storage <= 1) return {};
    return "storage byte " + std::to_string(storage) +
           " is neither 0 (MCU flash) nor 1 (SPI flash): this file programs nothing, and an "
           "update with it ends in \"완료\" without erasing or writing any flash";
}

}  // namespace quillon::cli
