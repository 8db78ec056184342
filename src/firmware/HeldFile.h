// A file that one run keeps for itself from before it sends anything to its end (the read-back
// log): taken as a plain file of its own (see CreatePlainFile) under an exclusive lock that no
// other taker gets meanwhile, another run of the program in this process or another; what it
// holds is emptied only when the run begins to write it. A file that the taking created and the
// run never wrote is removed again when it is let go.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "firmware/FileSystem.h"

namespace quillon {

class HeldFile {
  public:
    HeldFile() = default;
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // False, with why in reason, when the file cannot be had as a plain file of its own or
    // another taker holds it.
    bool Take(const std::filesystem::path& path, std::string& reason);
    bool Held() const { return file_ != nullptr; }
    // Empties the file and writes it from its start; the writer's Close flushes what was written
    // and keeps the file held. Null when it is not held or cannot be emptied.
    std::unique_ptr<WritableFile> Begin();
    void Release();

  private:
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    bool created_ = false;
    bool begun_ = false;
};

}  // namespace quillon
