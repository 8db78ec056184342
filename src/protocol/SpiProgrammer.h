// The SPI flash path of the programming sequence: sector by sector, each chunk read back at once.
#pragma once

#include "protocol/ProgramDevice.h"

namespace quillon {

class SpiProgrammer {
  public:
    SpiProgrammer(Receiver& rx, Programmer& run) : rx_(rx), run_(run) {}

    std::uint8_t Run(ReadableFile& file);

  private:
    Receiver& rx_;
    Programmer& run_;
};

}  // namespace quillon
