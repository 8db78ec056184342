// The files of a command-line run kept apart: no output of the run may be one of its inputs or
// another of its outputs, however the paths are spelled, and the read-back log is taken before
// the run sends anything and held until it ends.
#pragma once

#include <string>
#include <vector>

#include "firmware/FileSystem.h"
#include "firmware/HeldFile.h"

namespace quillon {

struct RunFile {
    std::string role;  // how the user knows it: "the firmware file", "--trace"
    std::string path;  // empty: not used by this run
};

// The first output that names the same file as an input or an earlier output, in one line
// ("--trace fw.fw is the firmware file"); empty when there is none.
std::string FindFileClash(const std::vector<RunFile>& inputs, const std::vector<RunFile>& outputs);

// The real file system for one run, with the read-back log at a path of its own: Reserve takes it
// (see HeldFile) unless it is one of the run's other files, and Create begins writing it.
class ReadBackLogFiles : public FileSystem {
  public:
    ReadBackLogFiles(std::string logPath, std::vector<RunFile> others)
        : logPath_(std::move(logPath)), others_(std::move(others)) {}

    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override;
    std::unique_ptr<WritableFile> Create(const std::string& path) override;
    bool Reserve(const std::string& path) override;
    std::string LastError() const override { return lastError_; }

  private:
    bool TakeLog();

    std::string logPath_;
    std::vector<RunFile> others_;
    StdFileSystem real_;
    HeldFile log_;
    std::string lastError_;
};

}  // namespace quillon
