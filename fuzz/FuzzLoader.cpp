// The firmware loader on arbitrary files, of any length up to beyond the 16 MiB buffer.
#include <cstring>

#include "FuzzInput.h"
#include "firmware/FirmwareLoader.h"
#include "firmware/ModelProfile.h"
#include "state/CollectingOperator.h"

namespace {

using namespace quillon;

// A file whose reported length may exceed its bytes: past them it reads as zeros.
class MemoryFile : public ReadableFile {
  public:
    MemoryFile(const std::uint8_t* d, std::size_t n, std::uint64_t length)
        : d_(d), n_(n), length_(length) {}
    bool Length(std::uint64_t& length) override {
        length = length_;
        return true;
    }
    bool Seek(std::uint64_t offset) override {
        pos_ = offset;
        return offset <= length_;
    }
    bool Read(std::uint8_t* out, std::size_t count, std::size_t& got) override {
        got = static_cast<std::size_t>(std::min<std::uint64_t>(count, length_ - pos_));
        const std::size_t real =
            pos_ < n_ ? static_cast<std::size_t>(std::min<std::uint64_t>(got, n_ - pos_)) : 0;
        if (real > 0) std::memcpy(out, d_ + pos_, real);
        std::memset(out + real, 0, got - real);
        pos_ += got;
        return true;
    }

  private:
    const std::uint8_t* d_;
    std::size_t n_;
    std::uint64_t length_;
    std::uint64_t pos_ = 0;
};

class MemoryFileSystem : public FileSystem {
  public:
    MemoryFileSystem(const std::uint8_t* d, std::size_t n, std::uint64_t length)
        : d_(d), n_(n), length_(length) {}
    std::unique_ptr<ReadableFile> OpenRead(const std::string&) override {
        return std::make_unique<MemoryFile>(d_, n_, length_);
    }
    std::unique_ptr<WritableFile> Create(const std::string&) override { return nullptr; }

  private:
    const std::uint8_t* d_;
    std::size_t n_;
    std::uint64_t length_;
};

SharedState& State() {
    static SharedState* st = new SharedState();  // one per fuzzing process, as in production
    return *st;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte chooses the reported length: the bytes themselves, or far beyond them.
    fuzz::FuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    std::uint64_t length = in.Left();
    if (mode == 0xFF) length = kFileBufferSize + 1 + in.Byte();
    if (mode == 0xFE) length = kFileBufferSize;
    if (mode == 0xFD) length = 0x100000000ull + in.Left();
    SharedState& st = State();
    CollectingOperator op("x.fw");
    MemoryFileSystem files(in.Rest(), in.Left(), length);
    const bool refused = FirmwareLoader(st, op, files).LoadFirmwareFile();
    if (refused != (op.Messages().size() == 1)) __builtin_trap();
    if (!refused) {
        // What an accepted file publishes must be consistent.
        const ModelProfile* row = FindModelProfile(st.g_fwModelCode);
        if (row == nullptr || st.g_pModelProfile != row || st.g_fwType > 1) __builtin_trap();
        if (st.g_cbValidatedFile != length || length > kFileBufferSize) __builtin_trap();
    }
    return 0;
}
