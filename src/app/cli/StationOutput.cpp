#include "app/cli/StationOutput.h"

#include <ctime>

#include "app/PhaseText.h"
#include "app/schema/Documents.h"
#include "app/schema/RunObjects.h"

namespace quillon::cli {

namespace {

std::string UtcNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

}  // namespace

void StationOutput::OnText(const std::string& port, const std::string& text, std::uint64_t ms,
                           const std::string& osError) {
    if (table_ != nullptr) table_->OnText(port, text, ms, osError);
    if (json_ != nullptr) json_->Write(schema::RunObjects(port).Message(text, ms, osError));
}

void StationOutput::OnPhase(const std::string& port, PhaseChannel::Event event,
                            const PhaseStatus& s) {
    if (json_ == nullptr) return;
    json_->Write(schema::RunObjects(port).OfPhase(event, s));
}

void StationOutput::OnFinished(const FinishedRun& run) {
    for (const std::string& why : {run.end.reason, SystemSaid(run.end)}) {
        if (why.empty()) continue;
        const std::string line = "quillon station: " + run.port + ": " + why;
        if (table_ != nullptr) {
            table_->Notice(line);
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
    if (table_ != nullptr) table_->OnFinished(run);
    if (json_ != nullptr) json_->Write(schema::RunObjects(run.port).Result(run.exitCode, run.end));
    Log(run);
}

void StationOutput::OnTick(const std::vector<PortStatus>& rows) {
    if (table_ != nullptr) table_->OnTick(rows);
    if (tick_) tick_();
}

void StationOutput::Interrupt(Station& station, const std::string& notice) {
    station.Stop();
    if (!station.Busy()) return;
    if (table_ != nullptr) {
        table_->Notice(notice);
    } else {
        std::fprintf(stderr, "%s\n", notice.c_str());
        std::fflush(stderr);
        if (json_ != nullptr) json_->Write(schema::RunObjects().Notice(notice));
    }
}

void StationOutput::Log(const FinishedRun& run) {
    if (log_.file == nullptr) return;
    const schema::FinishedDevice device{UtcNow(),      run.port,       log_.model,
                                        log_.firmware, log_.sha256,    run.exitCode,
                                        run.texts,     run.durationMs, run.bytes};
    const schema::Signer signer{run.signature.keyId, run.signature.claim
                                                         ? run.signature.claim->version.Text()
                                                         : std::string()};
    const std::string text = schema::Line(schema::LogRecord(device, signer));
    std::fputs(text.c_str(), log_.file);
    std::fflush(log_.file);
}

}  // namespace quillon::cli
