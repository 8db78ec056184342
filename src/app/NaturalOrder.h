// The order in which people read port names: runs of digits compare as numbers, so that 1-1.2
// comes before 1-1.10 and sim-9 before sim-10.
#pragma once

#include <string_view>

namespace quillon {

// A strict weak order: names that differ only in leading zeros are told apart by their bytes.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace quillon
