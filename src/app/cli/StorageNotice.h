// What the command line says on standard error about a file whose storage byte names neither
// flash: it is accepted and its update ends in "완료", but it erases and writes nothing.
#pragma once

#include <cstdint>
#include <string>

namespace quillon::cli {

// The notice for a storage byte; empty for 0 (MCU flash) and 1 (SPI flash).
std::string StorageNotice(std::uint8_t storage);

}  // namespace quillon::cli
