// The JSON objects that tell a run to scripts, one a line: the same for `quillon update --json`
// and, with a port, for each device of a station. Every object has a "type" and the schema's
// "version"; the README describes them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "state/RunPhase.h"

namespace quillon {

inline constexpr int kEventSchemaVersion = 1;

using JsonObject = nlohmann::ordered_json;

class RunEvents {
  public:
    // port: named in every object when not empty.
    explicit RunEvents(std::string port = {}) : port_(std::move(port)) {}

    // {"type": type, "version": 1[, "port": port]}: the head of every object.
    JsonObject Head(const char* type) const;
    // A phase entered ("phase"), and a whole percent of the image programmed ("progress").
    JsonObject PhaseEntered(const PhaseStatus& s) const;
    JsonObject Progress(const PhaseStatus& s) const;
    // An operator text, exactly as shown; ms since the run began.
    JsonObject Message(const std::string& text, std::uint64_t ms) const;
    // The last object of a run: its exit code and outcome, what was programmed, how long it took.
    JsonObject Result(int exitCode, const PhaseStatus& s) const;
    // The last object of a run that never began: a usage error, a setup that failed.
    JsonObject Error(int exitCode, const std::string& error) const;

  private:
    std::string port_;
};

// The word for a phase in the events ("finding-device").
const char* PhaseName(Phase phase);

// Writes objects on one stream, one a line, flushed at once; the lock is shared by all who write
// there, so lines never interleave.
class JsonLines {
  public:
    JsonLines(std::FILE* out, std::mutex& lock) : out_(out), lock_(lock) {}
    void Write(const JsonObject& object);

  private:
    std::FILE* out_;
    std::mutex& lock_;
};

}  // namespace quillon
