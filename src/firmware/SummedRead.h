// Reads a whole firmware file and takes its checksum (over the bytes from offset 8 on) piece by
// piece as the file arrives, while each piece is still in the cache.
#pragma once

#include <cstddef>
#include <cstdint>

#include "firmware/FileSystem.h"

namespace quillon {

struct SummedRead {
    std::size_t got = 0;         // bytes read; fewer than asked when the file was shorter
    std::uint32_t checksum = 0;  // over the bytes from offset 8 to got
};

// Reads length bytes from the file's start. keepAll: into dest, which holds length bytes;
// otherwise through a small buffer of its own, keeping only the first keepHead bytes in dest (a
// file that is only checked costs no memory of its size). False on a read error.
bool ReadSummed(ReadableFile& file, std::size_t length, std::uint8_t* dest, bool keepAll,
                std::size_t keepHead, SummedRead& out);

}  // namespace quillon
