// quillon station: one file, every device that it fits (or the ports given) updated at once,
// each run pinned to its port; --watch keeps the station open for the next devices.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/Host.h"
#include "app/RunSetup.h"
#include "app/Station.h"
#include "app/cli/Commands.h"
#include "app/cli/StationTable.h"
#include "app/cli/TerminalOperator.h"
#include "app/cli/VirtualTime.h"
#include "firmware/FirmwareLoader.h"
#include "firmware/Sha256.h"

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

// Appends one JSON line per finished device to the log file, and passes everything on.
class LoggedTable : public StationEvents {
  public:
    LoggedTable(StationTable& table, std::FILE* log, std::uint32_t model, std::string file,
                std::string sha256)
        : table_(table),
          log_(log),
          model_(model),
          file_(std::move(file)),
          sha_(std::move(sha256)) {}

    void OnText(const std::string& port, const std::string& text) override {
        table_.OnText(port, text);
    }
    void OnTick(const std::vector<PortStatus>& rows) override { table_.OnTick(rows); }
    void OnFinished(const FinishedRun& run) override {
        table_.OnFinished(run);
        if (log_ == nullptr) return;
        char model[16];
        std::snprintf(model, sizeof model, "0x%08X", model_);
        const nlohmann::json line = {
            {"time", UtcNow()},   {"port", run.port},
            {"model", model},     {"file", file_},
            {"sha256", sha_},     {"result", run.ok ? "done" : "failed"},
            {"texts", run.texts}, {"durationMs", run.durationMs},
            {"bytes", run.bytes},
        };
        const std::string text = line.dump() + "\n";
        std::fputs(text.c_str(), log_);
        std::fflush(log_);
    }

  private:
    StationTable& table_;
    std::FILE* log_;
    std::uint32_t model_;
    std::string file_, sha_;
};

class StationCommand : public Command {
  public:
    explicit StationCommand(CLI::App& app)
        : Command(app.add_subcommand(
              "station", "update every device that FILE fits at once, each at its own port")) {
        sub_->footer(
            "Checks FILE once, then updates every device it fits (or the devices at the ports\n"
            "given) in parallel: each run has its own state and sees only its own port, so a\n"
            "device restarting into its boot loader is found again where it was. Each message\n"
            "of a run is printed behind its port; on a terminal a table on standard error shows\n"
            "every port's progress. Each run writes its read-back log to Readtest-PORT.bin.\n"
            "Exit code 0 only when every device ended with \"완료\".\n"
            "\n"
            "--watch keeps the station open: a device is updated as soon as it appears at a\n"
            "station port (the ports given, or any), and not again until it has been unplugged.\n"
            "Ctrl-C ends the watch once no update is running.");
        sub_->add_option("FILE", options_.firmware, "the firmware file")->required();
        sub_->add_option("--port", station_.ports, "update only the device at PORT (repeatable)")
            ->type_name("PORT")
            ->allow_extra_args(false);
        sub_->add_flag("--watch", station_.watch, "keep updating devices as they are plugged in");
        sub_->add_option("--log", logPath_, "append one JSON line per finished device to FILE")
            ->type_name("FILE.jsonl");
        simulate_ = sub_->add_option("--simulate", options_.scenario,
                                     "simulated devices: the scenario's, or one that fits FILE")
                        ->expected(0, 1)
                        ->type_name("[SCENARIO.json]");
        sub_->add_flag("--virtual-time", options_.virtualTime,
                       "simulated time: at once, then its duration on standard error")
            ->needs(simulate_);
    }

    int Run() override {
        options_.program = "quillon station";
        options_.simulate = simulate_->count() > 0;
        station_.firmware = options_.firmware;
        RunSetup setup;
        std::string error;
        if (!setup.Open(options_, error)) {
            std::fprintf(stderr, "quillon station: %s\n", error.c_str());
            return kExitFailed;
        }
        // The file is checked once, before any device is touched.
        auto loaded = std::make_unique<SharedState>();
        TerminalOperator op(options_.firmware);
        StdFileSystem files;
        if (FirmwareLoader(*loaded, op, files).LoadFirmwareFile()) return kExitFailed;

        std::FILE* log = nullptr;
        if (!logPath_.empty() && (log = OpenForAppending(logPath_)) == nullptr) {
            std::fprintf(stderr, "quillon station: cannot write %s\n", logPath_.c_str());
            return kExitFailed;
        }
        const auto started = std::chrono::steady_clock::now();
        StationTable table(loaded->g_fwModel, StandardErrorIsTerminal());
        LoggedTable events(table, log, loaded->g_fwModel, options_.firmware,
                           log != nullptr ? Sha256OfFile(options_.firmware) : std::string());
        Station station(setup, *loaded, station_, events);
        const std::vector<PortStatus> rows = station.Run();
        table.Final(rows);
        if (log != nullptr) std::fclose(log);
        return Summary(rows, setup, started);
    }

  private:
    int Summary(const std::vector<PortStatus>& rows, RunSetup& setup,
                std::chrono::steady_clock::time_point started) {
        if (rows.empty()) {
            std::printf("no device that %s fits was found\n", options_.firmware.c_str());
            return kExitFailed;
        }
        bool allDone = true;
        for (const PortStatus& r : rows) {
            std::printf("%s  %s\n", r.port.c_str(), r.runs == 0 ? "(no device)" : r.result.c_str());
            allDone = allDone && r.runs > 0 && r.ok;
        }
        TellVirtualTime(setup, options_.virtualTime, started);
        return allDone ? kExitOk : kExitFailed;
    }

    RunOptions options_;
    StationOptions station_;
    CLI::Option* simulate_;
    std::string logPath_;
};

}  // namespace

std::unique_ptr<Command> DefineStation(CLI::App& app) {
    return std::make_unique<StationCommand>(app);
}

}  // namespace quillon::cli
