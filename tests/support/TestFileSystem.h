// The real file system, with relative paths (the read-back log) kept inside a test's folder and
// any file operation made to fail on demand.
#pragma once

#include <filesystem>
#include <functional>

#include "firmware/FileSystem.h"

namespace quillon::test {

class TestFileSystem : public FileSystem {
  public:
    explicit TestFileSystem(std::filesystem::path folder) : folder_(std::move(folder)) {}

    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override;
    std::unique_ptr<WritableFile> Create(const std::string& path) override;

    std::string Resolve(const std::string& path) const;

    bool failCreate = false;
    int failWriteAt = 0;     // the n-th Write to a created file fails (0: none)
    bool failClose = false;  // Close of a created file fails
    int failReadAt = 0;      // the n-th Read (over all opened files) fails (0: none)
    int opens = 0, creates = 0, writes = 0, reads = 0;
    int liveFiles = 0;  // files opened or created and not yet destroyed
    // Runs on every OpenRead, before the file is opened (e.g. to change it on disk).
    std::function<void(const std::string&)> beforeOpen;

  private:
    std::filesystem::path folder_;
    StdFileSystem real_;
};

}  // namespace quillon::test
