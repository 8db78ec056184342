// quillon inspect: validates a ".fw" file with the update's own loader and shows what it implies.
#include <cstdio>

#include "app/cli/Commands.h"
#include "app/cli/StorageNotice.h"
#include "app/cli/TerminalOperator.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "firmware/ModelTable.h"

namespace quillon::cli {

namespace {

const char* FrameFormatName(std::uint8_t f) {
    switch (f) {
        case FRAME_CRC:
            return "FRAME_CRC";
        case FRAME_CRC_LEN16:
            return "FRAME_CRC_LEN16";
        default:
            return "FRAME_XOR";
    }
}

const char* StorageName(std::uint8_t s) {
    switch (s) {
        case 0:
            return "MCU flash";
        case 1:
            return "SPI flash";
        default:
            return "none (nothing is programmed)";
    }
}

void PrintDescription(const SharedState& st) {
    const std::uint8_t* h = st.g_fileBuffer.get();
    const std::uint32_t imageLength = st.g_cbValidatedFile - kHeaderSize;
    std::printf("file:            %s\n", st.g_strFirmwarePath.c_str());
    std::printf("data length:     %u\n", ReadLe32(h + header::kDataLength));
    std::printf("checksum:        0x%08X\n", ReadLe32(h + header::kChecksum));
    std::printf("type:            %u%s\n", st.g_fwType,
                st.g_fwType == 1 ? " (programmed through the boot loader)" : "");
    std::printf("storage:         %u (%s)\n", st.g_fwStorage, StorageName(st.g_fwStorage));
    std::printf("start address:   0x%08X\n", st.g_fwStartAddress);
    std::printf("skip-final flag: %u\n", st.g_fwSkipFinal);
    std::printf("final argument:  0x%08X%s\n", st.g_fwFinalArg,
                st.g_fwSkipFinal == 0 ? "" : " (not sent)");
    std::printf("model:           0x%08X (code %u)\n", st.g_fwModel, st.g_fwModelCode);
    std::printf("target:          %04X:%04X\n", st.g_targetVid, st.g_targetPid);
    std::printf("boot loader:     %04X:%04X\n", st.g_bootVid, st.g_bootPid);
    std::printf("opcode set:      %s (", st.g_opcodeTable[0] == 0x37 ? "standard" : "alternate");
    for (std::size_t i = 0; i < st.g_opcodeTable.size(); ++i) {
        std::printf(i == 0 ? "%02X" : " %02X", st.g_opcodeTable[i]);
    }
    std::printf(")\n");
    std::printf("frame format:    %u (%s)\n", st.g_frameFormat, FrameFormatName(st.g_frameFormat));
    std::printf("boot switch:     %s\n", IsBootSwitchRun(st.g_fwModel) ? "yes" : "no");
    std::printf("model check:     %s\n", HasModelCheck(st.g_fwModel) ? "yes" : "no");
    std::printf("image length:    %u\n", imageLength);
    if (st.g_fwStorage == 1) {
        std::printf("block size:      4096 (SPI sectors)\n");
    } else {
        std::printf("block size:      %u\n", McuBlockSize(st.g_fwModel));
    }
}

class Inspect : public Command {
  public:
    explicit Inspect(CLI::App& app)
        : Command(app.add_subcommand(
              "inspect", "check a \".fw\" file and show its header and what it implies")) {
        sub_->footer(
            "Checks FILE exactly as an update would. When it is accepted, prints its header\n"
            "fields and what follows from its model, and exits 0. When it is refused, prints the\n"
            "refusal text alone on its line and exits 1.");
        sub_->add_option("FILE", file_, "the firmware file")->required();
    }

    int Run() override {
        auto state = std::make_unique<SharedState>();
        TerminalOperator op(file_);
        StdFileSystem files;
        if (FirmwareLoader(*state, op, files).LoadFirmwareFile()) return kExitFailed;
        PrintDescription(*state);
        const std::string notice = StorageNotice(state->g_fwStorage);
        if (!notice.empty()) std::fprintf(stderr, "quillon inspect: %s\n", notice.c_str());
        return kExitOk;
    }

  private:
    std::string file_;
};

}  // namespace

std::unique_ptr<Command> DefineInspect(CLI::App& app) {
    return std::make_unique<Inspect>(app);
}

}  // namespace quillon::cli
