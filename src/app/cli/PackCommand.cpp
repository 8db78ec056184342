// quillon pack: makes a valid ".fw" file from an image and the header fields.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/cli/Args.h"
#include "app/cli/Commands.h"
#include "firmware/FirmwareHeader.h"
#include "state/SharedState.h"

namespace quillon::cli {

namespace {

constexpr char kUsage[] =
    "usage: quillon pack --model N [options] IMAGE OUTPUT\n"
    "\n"
    "Writes OUTPUT, a \".fw\" file holding the bytes of IMAGE behind a header with the given\n"
    "fields; the data length and checksum are filled in. Numbers are decimal or 0x-hex.\n"
    "\n"
    "  --model N         model value (32 bits; its low 16 bits are the model code)\n"
    "  --type N          0 or 1: 1 asks for the device's boot loader (default 0)\n"
    "  --storage N       0 MCU flash, 1 SPI flash (default 0)\n"
    "  --start ADDR      flash address of the first image byte (default 0)\n"
    "  --skip-final N    non-zero: no final jump command after programming (default 0)\n"
    "  --final-arg N     argument of the final jump command (default 0)\n";

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

}  // namespace

int RunPack(const std::vector<std::string>& words) {
    const Args args =
        ParseArgs(words, {"--help"},
                  {"--model", "--type", "--storage", "--start", "--skip-final", "--final-arg"});
    if (args.Has("--help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (!args.error.empty()) return UsageError("pack", args.error, kUsage);
    if (args.positional.size() != 2) return UsageError("pack", "expects IMAGE and OUTPUT", kUsage);
    if (!args.Has("--model")) return UsageError("pack", "--model is required", kUsage);

    FirmwareFields fields;
    struct Field {
        const char* option;
        std::uint32_t max;
        std::uint32_t* wide;
        std::uint8_t* narrow;
    };
    std::uint32_t model = 0, start = 0, finalArg = 0;
    const Field table[] = {
        {"--model", 0xFFFFFFFF, &model, nullptr},
        {"--type", 0xFF, nullptr, &fields.type},
        {"--storage", 0xFF, nullptr, &fields.storage},
        {"--start", 0xFFFFFFFF, &start, nullptr},
        {"--skip-final", 0xFF, nullptr, &fields.skipFinal},
        {"--final-arg", 0xFFFFFFFF, &finalArg, nullptr},
    };
    for (const Field& f : table) {
        if (!args.Has(f.option)) continue;
        const std::optional<std::uint32_t> v = ParseU32(args.Get(f.option));
        if (!v || *v > f.max) {
            return UsageError("pack", std::string("bad value for ") + f.option, kUsage);
        }
        if (f.wide != nullptr) *f.wide = *v;
        if (f.narrow != nullptr) *f.narrow = static_cast<std::uint8_t>(*v);
    }
    fields.model = model;
    fields.startAddress = start;
    fields.finalArg = finalArg;

    std::vector<std::uint8_t> image;
    if (!ReadWholeFile(args.positional[0], image)) {
        std::fprintf(stderr, "quillon pack: cannot read %s\n", args.positional[0].c_str());
        return kExitFailed;
    }
    if (image.size() > kFileBufferSize - kHeaderSize) {
        std::fprintf(stderr, "quillon pack: image is larger than %zu bytes\n",
                     kFileBufferSize - kHeaderSize);
        return kExitFailed;
    }
    const std::vector<std::uint8_t> file = PackFirmware(fields, image);
    std::ofstream out(FromUtf8(args.positional[1]), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "quillon pack: cannot write %s\n", args.positional[1].c_str());
        return kExitFailed;
    }
    std::printf("%s: %zu bytes, model 0x%08X, image %zu bytes\n", args.positional[1].c_str(),
                file.size(), fields.model, image.size());
    return kExitOk;
}

}  // namespace quillon::cli
