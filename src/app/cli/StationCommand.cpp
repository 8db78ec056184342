// quillon station: one file, every device that it fits (or the ports given) updated at once,
// each run pinned to its port; --watch keeps the station open for the next devices.
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

#include "app/Host.h"
#include "app/JsonRunOperator.h"
#include "app/RunFiles.h"
#include "app/RunSetup.h"
#include "app/Station.h"
#include "app/cli/Commands.h"
#include "app/cli/FlashDump.h"
#include "app/cli/InterruptHold.h"
#include "app/cli/StationOutput.h"
#include "app/cli/StationTable.h"
#include "app/cli/TerminalOperator.h"
#include "app/cli/VirtualTime.h"
#include "firmware/FirmwareLoader.h"
#include "firmware/Sha256.h"
#include "sim/SimulatedBus.h"

namespace quillon::cli {

namespace {

class StationCommand : public Command {
  public:
    explicit StationCommand(CLI::App& app)
        : Command(
              app.add_subcommand("station", "update every device FILE fits, each at its port")) {
        sub_->footer(
            "Checks FILE once, then updates every device it fits (or the devices at the ports\n"
            "given) in parallel: each run has its own state and sees only its own port, so a\n"
            "device restarting into its boot loader is found again where it was. Each message\n"
            "of a run is printed behind its port; on a terminal a table on standard error shows\n"
            "every port's progress. Each run writes its read-back log to Readtest-PORT.bin.\n"
            "With --json, standard output carries JSON Lines instead, as quillon update --json\n"
            "prints them, each object with its \"port\" and each run ending in its own result.\n"
            "Once a run has sent its first report, Ctrl-C, SIGTERM and SIGHUP are held until\n"
            "every run has ended.\n"
            "\n"
            "--watch keeps the station open: a device is updated as soon as it appears at a\n"
            "station port (the ports given, or any), and not again until it has been unplugged.\n"
            "Ctrl-C stops the watch from starting any further device at once (their rows say\n"
            "not started); the updates in progress go on to their end, then the station exits.\n"
            "\n"
            "--dump-flash DIR writes, once every run has ended, each simulated device's\n"
            "flash over the region that FILE programs to DIR/flash-PORT.bin (a second\n"
            "device at the same port to flash-PORT.2.bin, and so on), to compare with the\n"
            "image.\n"
            "\n"
            "No output (--log, the dumps, the read-back logs, each held locked by its run)\n"
            "may be FILE, the scenario or another output; --log and the dumps are opened\n"
            "before anything is sent.\n"
            "\n"
            "Exit codes: 0 every run ended with \"완료\"; 1 a run failed after something was\n"
            "sent that may have changed its device; else 2 the command line or one of its\n"
            "files cannot be used (a broken scenario, an output that cannot be written, a\n"
            "read-back log that cannot be kept, an update policy that cannot be read); 3 the\n"
            "file was refused, by its checks or by the update policy; 4 no device fits the\n"
            "file, or none is at a port given.\n"
            "\n"
            "With an update policy (--policy, else the system's if there is one) FILE is\n"
            "verified once, and again only when it has changed since; --log then names the\n"
            "key that signed it (key_id) and the version it was signed as (firmware_version).");
        sub_->add_option("FILE", options_.firmware, "the firmware file")->required();
        sub_->add_option("--port", station_.ports, "update only the device at PORT (repeatable)")
            ->type_name("PORT")
            ->allow_extra_args(false);
        sub_->add_flag("--watch", station_.watch, "keep updating devices as they are plugged in");
        sub_->add_option("--log", logPath_, "append one JSON line per finished device to FILE")
            ->type_name("FILE.jsonl");
        simulate_ = AddSimulation(options_);
        sub_->add_option("--dump-flash", dumpFolder_,
                         "write each simulated device's flash at the end")
            ->type_name("DIR")
            ->needs(simulate_);
        sub_->add_flag("--json", json_, "JSON Lines on standard output instead of the texts");
        AddPolicy(policyPath_);
    }

    int Run() override {
        options_.program = "quillon station";
        options_.simulate = simulate_->count() > 0;
        station_.firmware = options_.firmware;
        // Before any worker starts: they take the blocked interrupts over from this thread.
        InterruptHold hold;
        schema::JsonLines json(stdout, stdoutLock_);
        std::string error;
        const std::unique_ptr<PolicyGate> gate = PolicyInForce(policyPath_, error);
        if (!error.empty()) return Fail(kExitUsage, error);
        station_.gate = gate.get();
        RunSetup setup;
        if (!setup.Open(options_, error)) return Fail(kExitUsage, error);
        std::vector<RunFile> outputs = {{"--log", logPath_}};
        for (const std::string& path : DumpPaths(setup)) outputs.push_back({"--dump-flash", path});
        station_.files = {{"the firmware file", options_.firmware},
                          {"the scenario", options_.scenario},
                          {"the policy", policyPath_}};
        if (!(error = FindFileClash(station_.files, outputs)).empty())
            return Fail(kExitUsage, error);
        station_.files.insert(station_.files.end(), outputs.begin(), outputs.end());
        // Opened before anything is sent: an output that cannot be written is refused now, not
        // after the devices were programmed.
        OwnedFile logFile;
        if (!logPath_.empty() && !(logFile = OpenForAppending(logPath_, error))) {
            return Fail(kExitUsage, error);
        }
        std::vector<OwnedFile> dumps;
        for (std::size_t i = 1; i < outputs.size(); ++i) {
            dumps.push_back(OpenForWriting(outputs[i].path, error));
            if (!dumps.back()) return Fail(kExitUsage, error);
        }
        // The file is checked once, before any device is touched.
        auto loaded = std::make_unique<SharedState>();
        if (!Check(*loaded, setup.Base(), json)) return kExitFileRefused;
        // A watch waits for devices to come; a station of runs wants them there now.
        if (!station_.watch) {
            const std::string missing = NoDeviceAtPorts(setup.Base(), station_.ports);
            if (!missing.empty()) return Fail(kExitNoDevice, missing);
        }

        StationLog log{logFile.get(), loaded->g_fwModel, options_.firmware, {}};
        if (log.file != nullptr) log.sha256 = Sha256OfFile(options_.firmware);
        const auto started = std::chrono::steady_clock::now();
        StationTable table(json_ ? StationTable::Mode::kNone : StationTable::ModeForThisTerminal());
        // A watch holds interrupts all along and at the first starts no further device, ending
        // once the runs in hand have; a station of runs holds them from the first report any
        // run sends.
        if (station_.watch) hold.Hold();
        StationOutput output(json_ ? nullptr : &table, json_ ? &json : nullptr, log);
        station_.onFirstReport = [&hold] { hold.Hold(); };
        Station station(setup, *loaded, station_, output);
        std::string notice = std::string("quillon station: ") + kInterruptHeldNotice;
        if (station_.watch) notice += "; no further device is started";
        output.EachTick([&] {
            if (hold.TakeNotice()) output.Interrupt(station, notice);
        });
        const std::vector<PortStatus> rows = station.Run();
        hold.Release();
        if (!json_) table.Final(rows);
        logFile.reset();
        const int code = Summary(rows, json);
        TellVirtualTime(setup, options_.virtualTime, started);
        for (std::size_t i = 0; i < dumps.size(); ++i) {
            if (!DumpFlash(setup.Bus()->Platform().Device(i), *loaded, dumps[i].get())) {
                std::fprintf(stderr, "quillon station: cannot write %s\n",
                             outputs[i + 1].path.c_str());
                return kExitFailed;
            }
        }
        return code;
    }

  private:
    // The file check of every run, once: false (the refusal told) when the file is refused.
    bool Check(SharedState& loaded, HidPlatform& clock, schema::JsonLines& json) {
        StdFileSystem files;
        bool refused = false;
        if (json_) {
            JsonRunOperator op(options_.firmware, schema::RunObjects(), json, clock);
            refused = LoadAndJudge(loaded, op, files);
        } else {
            TerminalOperator op(options_.firmware);
            refused = LoadAndJudge(loaded, op, files);
        }
        if (!refused) return true;
        const PhaseStatus checked = loaded.phases.Snapshot();
        if (!checked.reason.empty()) {
            std::fprintf(stderr, "quillon station: %s\n", checked.reason.c_str());
        }
        if (json_) json.Write(schema::RunObjects().Result(kExitFileRefused, checked));
        return false;
    }

    // The loader's checks, then the policy's: true when the file is refused (told to op).
    bool LoadAndJudge(SharedState& loaded, Operator& op, FileSystem& files) {
        return FirmwareLoader(loaded, op, files).LoadFirmwareFile() ||
               (station_.gate != nullptr && station_.gate->Refuses(loaded, op));
    }

    // Where each simulated device's flash goes with --dump-flash, in the bus's order:
    // DIR/flash-PORT.bin, a second device at the same port DIR/flash-PORT.2.bin, and so on.
    std::vector<std::string> DumpPaths(RunSetup& setup) const {
        std::vector<std::string> paths;
        if (dumpFolder_.empty() || setup.Bus() == nullptr) return paths;
        std::map<std::string, int> seen;
        for (std::size_t i = 0; i < setup.Bus()->Platform().DeviceCount(); ++i) {
            const std::string name = PortFileName(setup.Bus()->Platform().Device(i).Config().port);
            const int n = ++seen[name];
            paths.push_back(dumpFolder_ + "/flash-" + name +
                            (n == 1 ? "" : "." + std::to_string(n)) + ".bin");
        }
        return paths;
    }

    int Fail(int code, const std::string& error) {
        return Command::Fail(code, error, json_, &stdoutLock_);
    }

    // The summary on standard output (or, found nothing, the JSON error); the exit code.
    int Summary(const std::vector<PortStatus>& rows, schema::JsonLines& json) {
        if (rows.empty()) {
            const std::string none = "no device that " + options_.firmware + " fits was found";
            if (json_) {
                json.Write(schema::RunObjects().Error(kExitNoDevice, none));
            } else {
                std::printf("%s\n", none.c_str());
            }
            return kExitNoDevice;
        }
        int code = kExitOk;
        for (const PortStatus& r : rows) {
            if (!json_) {
                const bool notStarted = r.state == PortStatus::State::kNotStarted;
                std::printf("%s  %s\n", r.port.c_str(),
                            notStarted    ? "(not started)"
                            : r.runs == 0 ? "(no device)"
                                          : r.result.c_str());
            }
            code = CombinedExitCode(code, r.runs == 0 ? kExitNoDevice : r.exitCode);
        }
        if (!json_) std::printf("%s\n", StationTable::Counts(rows).c_str());
        return code;
    }

    RunOptions options_;
    StationOptions station_;
    CLI::Option* simulate_;
    std::string logPath_;
    std::string dumpFolder_;
    std::string policyPath_;
    bool json_ = false;
    std::mutex stdoutLock_;
};

}  // namespace

std::unique_ptr<Command> DefineStation(CLI::App& app) {
    return std::make_unique<StationCommand>(app);
}

}  // namespace quillon::cli
