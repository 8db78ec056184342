// Writes JSON objects on one stream, one a line, each flushed at once.
#pragma once

#include <cstdio>
#include <mutex>

#include "app/schema/SchemaTable.h"

namespace quillon::schema {

class JsonLines {
  public:
    // The lock is shared by all who write on out, so that lines never interleave.
    JsonLines(std::FILE* out, std::mutex& lock) : out_(out), lock_(lock) {}
    void Write(const JsonObject& object);

  private:
    std::FILE* out_;
    std::mutex& lock_;
};

// One object as its line, newline included. Texts that are not valid UTF-8 (a file name) are
// kept, with the bad bytes replaced.
std::string Line(const JsonObject& object);

}  // namespace quillon::schema
