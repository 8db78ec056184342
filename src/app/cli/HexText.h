// How the command line writes a model value for people to compare with labels: "0x00000003".
// (A USB identity "0581:0115" is written by schema::UsbId, for objects and texts alike.)
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quillon::cli {

inline std::string ModelValue(std::uint32_t model) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", model);
    return buf;
}

}  // namespace quillon::cli
