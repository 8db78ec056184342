// Reads the ".fw" file named in the path box, runs its five checks and publishes what follows.
#pragma once

#include "firmware/FileSystem.h"
#include "state/Operator.h"
#include "state/SharedState.h"

namespace quillon {

class FirmwareLoader {
  public:
    FirmwareLoader(SharedState& state, Operator& op, FileSystem& files)
        : st_(state), op_(op), files_(files) {}

    // True when the file was refused (its text has been shown), false when it was accepted.
    bool LoadFirmwareFile() { return LoadFirmwareFile(true); }
    // The same checks, refusals and published fields, but the file buffer keeps only the
    // header: for a file that is only looked at, never programmed.
    bool CheckFirmwareFile() { return LoadFirmwareFile(false); }

  private:
    bool LoadFirmwareFile(bool keepWholeFile);
    bool Refuse(const char* text);

    SharedState& st_;
    Operator& op_;
    FileSystem& files_;
};

}  // namespace quillon
