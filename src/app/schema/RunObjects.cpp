#include "app/schema/RunObjects.h"

#include "app/ExitCodes.h"
#include "state/TextCodes.h"

namespace quillon::schema {

namespace {

std::uint64_t Since(std::uint64_t from, std::uint64_t to) {
    return to > from ? to - from : 0;
}

JsonObject OrNull(const std::optional<double>& v) {
    return v ? JsonObject(static_cast<std::uint64_t>(*v)) : JsonObject(nullptr);
}

JsonObject OrNull(const std::optional<std::uint64_t>& v) {
    return v ? JsonObject(*v) : JsonObject(nullptr);
}

const char* StepName(ProgramStep step) {
    switch (step) {
        case ProgramStep::kErase:
            return "erase";
        case ProgramStep::kWrite:
            return "write";
        case ProgramStep::kNone:
            break;
    }
    return nullptr;
}

}  // namespace

const char* PhaseName(Phase phase) {
    switch (phase) {
        case Phase::kIdle:
            return "idle";
        case Phase::kCheckingFile:
            return "checking-file";
        case Phase::kFindingDevice:
            return "finding-device";
        case Phase::kCheckingModel:
            return "checking-model";
        case Phase::kSwitching:
            return "switching";
        case Phase::kWaitingForDevice:
            return "waiting-for-device";
        case Phase::kSettling:
            return "settling";
        case Phase::kRereadingFile:
            return "rereading-file";
        case Phase::kWakingModule:
            return "waking-module";
        case Phase::kErasingAll:
            return "erasing";
        case Phase::kProgramming:
            return "programming";
        case Phase::kFirstWord:
            return "first-word";
        case Phase::kStartingFirmware:
            return "starting-firmware";
    }
    return "idle";
}

JsonObject RunObjects::Head(const char* type) const {
    JsonObject o;
    o["type"] = type;
    o["version"] = kVersion;
    if (!port_.empty()) o["port"] = port_;
    return o;
}

JsonObject RunObjects::OfPhase(PhaseChannel::Event event, const PhaseStatus& s) const {
    return event == PhaseChannel::Event::kPhase ? PhaseEntered(s) : Progress(s);
}

JsonObject RunObjects::PhaseEntered(const PhaseStatus& s) const {
    JsonObject o = Head("phase");
    o["ms"] = Since(s.startMs, s.nowMs);
    o["phase"] = PhaseName(s.phase);
    if (s.phase == Phase::kWaitingForDevice || s.phase == Phase::kSettling) {
        o["bound_ms"] = s.boundMs;
    }
    if (s.phase == Phase::kProgramming) {
        o["unit"] = s.spi ? "sector" : "block";
        o["count"] = s.count;
        o["total"] = s.bytesTotal;
    }
    return o;
}

JsonObject RunObjects::Progress(const PhaseStatus& s) const {
    JsonObject o = Head("progress");
    o["ms"] = Since(s.startMs, s.nowMs);
    if (const char* step = StepName(s.step)) o["step"] = step;
    o["unit"] = s.spi ? "sector" : "block";
    o["index"] = s.index;
    o["count"] = s.count;
    o["done"] = s.bytesDone;
    o["total"] = s.bytesTotal;
    o["percent"] = s.bytesTotal == 0 ? 100 : s.bytesDone * 100 / s.bytesTotal;
    o["bytes_per_s"] = OrNull(s.BytesPerSecond());
    o["left_ms"] = OrNull(s.MsLeft());
    return o;
}

JsonObject RunObjects::Message(const std::string& text, std::uint64_t ms,
                               const std::string& osError) const {
    const TextCode code = CodeOfText(text);
    JsonObject o = Head("message");
    o["ms"] = ms;
    o["text"] = text;
    o["code"] = code.code;
    o["meaning"] = code.meaning;
    if (!osError.empty()) o["os_error"] = osError;
    return o;
}

JsonObject RunObjects::Notice(const std::string& text) const {
    JsonObject o = Head("notice");
    o["text"] = text;
    return o;
}

JsonObject RunObjects::Result(int exitCode, const PhaseStatus& s) const {
    JsonObject o = Head("result");
    o["ms"] = Since(s.startMs, s.nowMs);
    o["exit"] = exitCode;
    o["outcome"] = OutcomeName(exitCode);
    o["done"] = s.bytesDone;
    o["total"] = s.bytesTotal;
    o["programming_ms"] =
        s.bytesTotal == 0 ? JsonObject(nullptr) : JsonObject(Since(s.transferMs, s.nowMs));
    o["bytes_per_s"] = OrNull(s.BytesPerSecond());
    if (!s.reason.empty()) o["reason"] = s.reason;
    if (!s.osError.empty()) o["os_error"] = s.osError;
    return o;
}

JsonObject RunObjects::Error(int exitCode, const std::string& error,
                             const std::string& command) const {
    JsonObject o = Head("result");
    o["exit"] = exitCode;
    o["outcome"] = OutcomeName(exitCode);
    o["error"] = error;
    if (!command.empty()) o["command"] = command;
    return o;
}

}  // namespace quillon::schema
