// The file operations the loader and the programming sequence need, behind an interface so that
// tests can make any one of them fail. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillon {

class ReadableFile {
  public:
    virtual ~ReadableFile() = default;
    virtual bool Length(std::uint64_t& length) = 0;
    virtual bool Seek(std::uint64_t offset) = 0;
    // Reads up to count bytes; false on an error. got < count only at the end of the file.
    virtual bool Read(std::uint8_t* data, std::size_t count, std::size_t& got) = 0;
};

class WritableFile {
  public:
    virtual ~WritableFile() = default;
    virtual bool Write(const std::uint8_t* data, std::size_t count) = 0;
    // Flushes and closes; false when what was written may not have reached the file.
    virtual bool Close() = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // An existing regular file opened for reading, or null.
    virtual std::unique_ptr<ReadableFile> OpenRead(const std::string& path) = 0;
    // A file created (or emptied) for writing, or null. The real file system creates only a
    // plain file under its own name (see CreatePlainFile).
    virtual std::unique_ptr<WritableFile> Create(const std::string& path) = 0;
    // Before a run sends anything: whether Create(path) will be able to make the file, which a
    // file system that keeps it for the run takes here. Others promise nothing ahead.
    virtual bool Reserve(const std::string& path) {
        (void)path;
        return true;
    }
    // Why the last of these that failed did: "cannot read PATH: REASON" (empty when unknown).
    virtual std::string LastError() const { return {}; }
};

// The real file system.
class StdFileSystem : public FileSystem {
  public:
    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override;
    std::unique_ptr<WritableFile> Create(const std::string& path) override;
    std::string LastError() const override { return lastError_; }

  private:
    std::string lastError_;
};

}  // namespace quillon
