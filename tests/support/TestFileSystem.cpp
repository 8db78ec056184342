#include "support/TestFileSystem.h"

namespace quillon::test {

namespace {

class FaultyWritable : public WritableFile {
  public:
    FaultyWritable(std::unique_ptr<WritableFile> inner, TestFileSystem& fs)
        : inner_(std::move(inner)), fs_(fs) {
        ++fs_.liveFiles;
    }
    ~FaultyWritable() override { --fs_.liveFiles; }
    bool Write(const std::uint8_t* data, std::size_t count) override {
        if (++fs_.writes == fs_.failWriteAt) return false;
        return inner_->Write(data, count);
    }
    bool Close() override {
        const bool ok = inner_->Close();
        return ok && !fs_.failClose;
    }

  private:
    std::unique_ptr<WritableFile> inner_;
    TestFileSystem& fs_;
};

class FaultyReadable : public ReadableFile {
  public:
    FaultyReadable(std::unique_ptr<ReadableFile> inner, TestFileSystem& fs)
        : inner_(std::move(inner)), fs_(fs) {
        ++fs_.liveFiles;
    }
    ~FaultyReadable() override { --fs_.liveFiles; }
    bool Length(std::uint64_t& length) override { return inner_->Length(length); }
    bool Seek(std::uint64_t offset) override { return inner_->Seek(offset); }
    bool Read(std::uint8_t* data, std::size_t count, std::size_t& got) override {
        if (++fs_.reads == fs_.failReadAt) {
            got = 0;
            return false;
        }
        return inner_->Read(data, count, got);
    }

  private:
    std::unique_ptr<ReadableFile> inner_;
    TestFileSystem& fs_;
};

}  // namespace

std::string TestFileSystem::Resolve(const std::string& path) const {
    const std::filesystem::path p(path);
    return p.is_relative() && !path.empty() ? (folder_ / p).string() : path;
}

std::unique_ptr<ReadableFile> TestFileSystem::OpenRead(const std::string& path) {
    ++opens;
    if (beforeOpen) beforeOpen(path);
    auto f = real_.OpenRead(Resolve(path));
    if (!f) return nullptr;
    return std::make_unique<FaultyReadable>(std::move(f), *this);
}

std::unique_ptr<WritableFile> TestFileSystem::Create(const std::string& path) {
    ++creates;
    if (failCreate) return nullptr;
    auto f = real_.Create(Resolve(path));
    if (!f) return nullptr;
    return std::make_unique<FaultyWritable>(std::move(f), *this);
}

}  // namespace quillon::test
