#include "firmware/HeldFile.h"

#include "firmware/PlainFile.h"

namespace quillon {

namespace {

// Writes through the held file's stream; closing it only makes sure that what was written has
// reached the file, which stays held.
class HeldWriter : public WritableFile {
  public:
    explicit HeldWriter(std::FILE* f) : f_(f) {}
    bool Write(const std::uint8_t* data, std::size_t count) override {
        return f_ != nullptr && std::fwrite(data, 1, count, f_) == count;
    }
    bool Close() override {
        if (f_ == nullptr) return false;
        const bool ok = std::fflush(f_) == 0 && std::ferror(f_) == 0;
        f_ = nullptr;
        return ok;
    }

  private:
    std::FILE* f_;
};

}  // namespace

std::unique_ptr<WritableFile> HeldFile::Begin() {
    if (file_ == nullptr) return nullptr;
    begun_ = true;
    std::clearerr(file_);
    if (!EmptyOpenFile(file_)) return nullptr;
    return std::make_unique<HeldWriter>(file_);
}

}  // namespace quillon
