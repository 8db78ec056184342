// The objects that tell a run to scripts, one a line: the same for `quillon update --json` and,
// with a port, for each device of a station.
#pragma once

#include <cstdint>
#include <string>

#include "app/schema/SchemaTable.h"
#include "state/RunPhase.h"

namespace quillon::schema {

class RunObjects {
  public:
    // port: named in every object when not empty.
    explicit RunObjects(std::string port = {}) : port_(std::move(port)) {}

    // {"type": type, "version": 2[, "port": port]}: the head of every object.
    JsonObject Head(const char* type) const;
    // What the run's phase channel tells: a phase entered ("phase") or a whole percent of the
    // image programmed ("progress").
    JsonObject OfPhase(PhaseChannel::Event event, const PhaseStatus& s) const;
    JsonObject PhaseEntered(const PhaseStatus& s) const;
    JsonObject Progress(const PhaseStatus& s) const;
    // An operator text, exactly as shown, with its code and meaning; ms since the run began;
    // osError, when not empty, the system's reason for the link's last failure.
    JsonObject Message(const std::string& text, std::uint64_t ms,
                       const std::string& osError = {}) const;
    // Something the program tells beside the run's texts (an interrupt held).
    JsonObject Notice(const std::string& text) const;
    // The last object of a run: its exit code and outcome, what was programmed, how long it took.
    JsonObject Result(int exitCode, const PhaseStatus& s) const;
    // The last object of a run that never began: a usage error, a setup that failed; command:
    // the command a usage error is about, when known.
    JsonObject Error(int exitCode, const std::string& error, const std::string& command = {}) const;

  private:
    std::string port_;
};

// The word for a phase in the objects ("finding-device").
const char* PhaseName(Phase phase);

}  // namespace quillon::schema
