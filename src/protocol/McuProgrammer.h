// The MCU flash path of the programming sequence: the module check, the erase, the blocks with
// their retries, and the first word written last. What differs by model comes from its profile.
#pragma once

#include <cstdint>

#include "firmware/ModelProfile.h"
#include "protocol/ProgramDevice.h"

namespace quillon {

class McuProgrammer {
  public:
    McuProgrammer(Receiver& rx, Programmer& run);

    std::uint8_t Run(ReadableFile& file);

  private:
    enum class Attempt { kPassed, kAgain, kEnded };

    // Puts the placeholder where the first word lies and keeps the word for the end.
    void HoldBackFirstWord();
    // 0 when the module answered ready; otherwise its text shown and the run ended.
    std::uint8_t CheckModule();
    std::uint8_t ProgramBlocks();
    Attempt AttemptBlock(std::uint32_t block, int& failures);
    // The image's first word, written where it belongs and compared.
    std::uint8_t WriteFirstWord();
    // Counts a failure of the block: the run ends with text at the last allowed one.
    Attempt Failed(int& failures, const char* text);
    // Ends the run with text (if any).
    Attempt End(const char* text);

    Receiver& rx_;
    Programmer& run_;
    SharedState& st_;
    const ModelProfile& profile_;
    std::uint8_t* image_;
    std::uint32_t imageLength_;
    std::uint32_t start_;  // device address of the image's first byte
    std::uint32_t blockCount_;
    std::uint32_t chunksPerBlock_;   // the last of a full block is shorter
    std::uint32_t lastChunkLength_;  // of a full block
    std::uint32_t firstWord_ = 0;
    bool wordHeldBack_ = false;
    bool wordAtPlus3_ = false;
};

}  // namespace quillon
