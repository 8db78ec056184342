#include <cstdio>
#include <filesystem>

#include "firmware/FileSystem.h"
#include "firmware/PlainFile.h"

namespace quillon {

namespace {

std::filesystem::path PathFromUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

class StdReadableFile : public ReadableFile {
  public:
    StdReadableFile(std::FILE* f, std::uint64_t length) : f_(f), length_(length) {}
    ~StdReadableFile() override { std::fclose(f_); }
    bool Length(std::uint64_t& length) override {
        length = length_;
        return true;
    }
    bool Seek(std::uint64_t offset) override {
        return offset <= length_ && std::fseek(f_, static_cast<long>(offset), SEEK_SET) == 0;
    }
    bool Read(std::uint8_t* data, std::size_t count, std::size_t& got) override {
        got = std::fread(data, 1, count, f_);
        return got == count || !std::ferror(f_);
    }

  private:
    std::FILE* f_;
    std::uint64_t length_;
};

class StdWritableFile : public WritableFile {
  public:
    explicit StdWritableFile(std::FILE* f) : f_(f) {}
    ~StdWritableFile() override {
        if (f_ != nullptr) std::fclose(f_);
    }
    bool Write(const std::uint8_t* data, std::size_t count) override {
        return f_ != nullptr && std::fwrite(data, 1, count, f_) == count;
    }
    bool Close() override {
        if (f_ == nullptr) return false;
        const bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

  private:
    std::FILE* f_;
};

}  // namespace

std::unique_ptr<ReadableFile> StdFileSystem::OpenRead(const std::string& path) {
    if (path.empty()) {
        lastError_ = "no firmware file was given";
        return nullptr;
    }
    std::uint64_t length = 0;
    std::string reason;
    std::FILE* f = OpenPlainFileForReading(PathFromUtf8(path), length, reason);
    if (f == nullptr) {
        lastError_ = "cannot read " + path + ": " + reason;
        return nullptr;
    }
    return std::make_unique<StdReadableFile>(f, length);
}

std::unique_ptr<WritableFile> StdFileSystem::Create(const std::string& path) {
    std::string reason;
    std::FILE* f = CreatePlainFile(PathFromUtf8(path), reason);
    if (f == nullptr) {
        lastError_ = "cannot create " + path + ": " + reason;
        return nullptr;
    }
    return std::make_unique<StdWritableFile>(f);
}

}  // namespace quillon
