// How the command line writes the numbers people compare with labels and logs: a USB identity
// "0581:0115" and a model value "0x00000003".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quillon::cli {

inline std::string UsbId(std::uint32_t vid, std::uint32_t pid) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X:%04X", vid, pid);
    return buf;
}

inline std::string ModelValue(std::uint32_t model) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", model);
    return buf;
}

}  // namespace quillon::cli
