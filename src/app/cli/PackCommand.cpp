// quillon pack: makes a valid ".fw" file from an image and the header fields.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/RunFiles.h"
#include "app/cli/Commands.h"
#include "firmware/FirmwareHeader.h"
#include "state/SharedState.h"

namespace quillon::cli {

namespace {

// Paths are UTF-8 on every platform; a narrow stream would read them in Windows' ANSI code page.
std::filesystem::path FromUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(FromUtf8(path), std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

class Pack : public Command {
  public:
    explicit Pack(CLI::App& app)
        : Command(app.add_subcommand("pack", "make a \".fw\" file of an image and header fields")) {
        sub_->footer(
            "Writes OUTPUT, a \".fw\" file holding the bytes of IMAGE behind a header with the\n"
            "given fields; the data length and checksum are filled in. Numbers are decimal or\n"
            "0x-hex.\n"
            "\n"
            "Exit codes: 0 written; 2 the command line was wrong, IMAGE cannot be read or\n"
            "is too large, or OUTPUT is IMAGE or cannot be written.");
        sub_->add_option("--model", fields_.model,
                         "model value; its low 16 bits are the model code")
            ->required();
        sub_->add_option("--type", fields_.type, "1: through the device's boot loader (default 0)");
        sub_->add_option("--storage", fields_.storage, "0 MCU flash, 1 SPI flash (default 0)");
        sub_->add_option("--start", fields_.startAddress, "flash address of the image (default 0)");
        sub_->add_option("--skip-final", fields_.skipFinal,
                         "non-zero: no final jump command (default 0)");
        sub_->add_option("--final-arg", fields_.finalArg,
                         "argument of the final jump command (default 0)");
        sub_->add_option("IMAGE", image_, "the image file")->required();
        sub_->add_option("OUTPUT", output_, "the firmware file to write")->required();
    }

    int Run() override {
        const std::string clash = FindFileClash({{"IMAGE", image_}}, {{"OUTPUT", output_}});
        if (!clash.empty()) {
            std::fprintf(stderr, "quillon pack: %s\n", clash.c_str());
            return kExitUsage;
        }
        std::vector<std::uint8_t> image;
        if (!ReadWholeFile(image_, image)) {
            std::fprintf(stderr, "quillon pack: cannot read %s\n", image_.c_str());
            return kExitUsage;
        }
        if (image.size() > kFileBufferSize - kHeaderSize) {
            std::fprintf(stderr, "quillon pack: image is larger than %zu bytes\n",
                         kFileBufferSize - kHeaderSize);
            return kExitUsage;
        }
        const std::vector<std::uint8_t> file = PackFirmware(fields_, image);
        std::ofstream out(FromUtf8(output_), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "quillon pack: cannot write %s\n", output_.c_str());
            return kExitUsage;
        }
        std::printf("%s: %zu bytes, model 0x%08X, image %zu bytes\n", output_.c_str(), file.size(),
                    fields_.model, image.size());
        return kExitOk;
    }

  private:
    FirmwareFields fields_;
    std::string image_, output_;
};

}  // namespace

std::unique_ptr<Command> DefinePack(CLI::App& app) {
    return std::make_unique<Pack>(app);
}

}  // namespace quillon::cli
