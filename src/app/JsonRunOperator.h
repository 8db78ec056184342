// An operator that tells a run as JSON events: every text a "message" object, and, attached to the
// run's phase channel, every phase and whole percent; the "result" object after the run.
#pragma once

#include <string>

#include "app/schema/JsonLines.h"
#include "app/schema/RunObjects.h"
#include "hid/HidPlatform.h"
#include "state/Operator.h"
#include "state/RunPhase.h"

namespace quillon {

class JsonRunOperator : public Operator {
  public:
    // clock: the run's platform, so that a message is stamped like the phases.
    JsonRunOperator(std::string path, schema::RunObjects events, schema::JsonLines& out,
                    HidPlatform& clock)
        : path_(std::move(path)), events_(std::move(events)), out_(out), clock_(clock) {}

    // Before the run: its phases and progress become events too.
    void Attach(PhaseChannel& phases);
    // After the run: the result object with this exit code.
    void Finish(int exitCode);

    void ShowMessage(const std::string& text) override;
    std::string ReadPathBox() override { return path_; }
    void WriteStatusLine(const std::string&) override {}
    // The last text shown; read once the run has ended.
    const std::string& LastMessage() const { return last_; }

  private:
    std::string last_;
    std::string path_;
    schema::RunObjects events_;
    schema::JsonLines& out_;
    HidPlatform& clock_;
    PhaseChannel* phases_ = nullptr;
};

}  // namespace quillon
