// quillon update: one update run, against the real HID backend or the simulated devices.
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/FirstReportWatch.h"
#include "app/Host.h"
#include "app/JsonRunOperator.h"
#include "app/PhaseText.h"
#include "app/RecoveryHint.h"
#include "app/RunFiles.h"
#include "app/RunSetup.h"
#include "app/UpdateController.h"
#include "app/cli/Commands.h"
#include "app/cli/FlashDump.h"
#include "app/cli/InterruptHold.h"
#include "app/cli/StorageNotice.h"
#include "app/cli/TerminalOperator.h"
#include "app/cli/TerminalProgress.h"
#include "app/cli/VirtualTime.h"
#include "protocol/ProgramDevice.h"
#include "sim/SimulatedBus.h"

namespace quillon::cli {

namespace {

// Why the run could not use a file, when it could not, on standard error.
void TellReason(const SharedState& state) {
    const std::string reason = state.phases.Snapshot().reason;
    if (!reason.empty()) std::fprintf(stderr, "quillon update: %s\n", reason.c_str());
}

// One run over hid, told by op and progress; interrupts are held from the run's first report
// to its end. The exit code its end gives.
int Drive(HidPlatform& hid, FileSystem& files, SharedState& state, Operator& op,
          TerminalProgress& progress, std::mutex& terminal, PolicyGate* gate) {
    // Before the worker starts, which takes the blocked interrupts over from this thread.
    InterruptHold hold;
    FirstReportWatch watched(hid, [&hold] { hold.Hold(); });
    const auto tellHeld = [&] {
        if (!hold.TakeNotice()) return;
        std::lock_guard lock(terminal);
        progress.ClearLine();
        std::fprintf(stderr, "quillon update: %s\n", kInterruptHeldNotice);
    };
    LinkServices services{state, watched, op, files};
    UpdateController controller(services, progress);
    controller.Enforce(gate);
    if (controller.StartUpdate()) {
        if (const std::string notice = StorageNotice(state.g_fwStorage); !notice.empty()) {
            std::lock_guard lock(terminal);
            std::fprintf(stderr, "quillon update: %s\n", notice.c_str());
        }
        while (controller.Busy()) {
            tellHeld();
            controller.Tick();
            progress.Draw();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        controller.WaitForRun();
        hold.Release();
        tellHeld();
        controller.Tick();
        progress.Draw();
    }
    return ExitCodeOf(state.phases.Snapshot().end);
}

// What follows a run before its result is told (the dump): the exit code, given the run's.
using AfterRun = std::function<int(int)>;

// One run with the texts on standard output and, on a terminal, its progress and summary.
int RunOnce(HidPlatform& hid, FileSystem& files, const std::string& firmware, const AfterRun& after,
            PolicyGate* gate) {
    auto state = std::make_unique<SharedState>();
    TerminalOperator op(firmware);
    TerminalProgress progress(op.TerminalLock(), StandardErrorIsTerminal(), state->phases,
                              StandardErrorColumns());
    op.OnBeforeMessage([&progress] { progress.ClearLine(); });
    const int code = Drive(hid, files, *state, op, progress, op.TerminalLock(), gate);
    progress.Finish(op.LastMessage());
    TellReason(*state);
    if (const std::string said = SystemSaid(state->phases.Snapshot()); !said.empty()) {
        std::fprintf(stderr, "quillon update: %s\n", said.c_str());
    }
    for (const std::string& hint : RecoveryHints(hid, *state, op.LastMessage())) {
        std::fprintf(stderr, "quillon update: %s\n", hint.c_str());
    }
    return after(code);
}

// One run told as JSON Lines on standard output.
int RunForScripts(HidPlatform& hid, FileSystem& files, const std::string& firmware,
                  std::mutex& stdoutLock, const AfterRun& after, PolicyGate* gate) {
    auto state = std::make_unique<SharedState>();
    schema::JsonLines out(stdout, stdoutLock);
    JsonRunOperator op(firmware, schema::RunObjects(), out, hid);
    op.Attach(state->phases);
    std::mutex stderrLock;
    TerminalProgress silent(stderrLock, false, state->phases);
    const int code = after(Drive(hid, files, *state, op, silent, stderrLock, gate));
    TellReason(*state);
    for (const std::string& hint : RecoveryHints(hid, *state, op.LastMessage())) {
        std::fprintf(stderr, "quillon update: %s\n", hint.c_str());
        out.Write(schema::RunObjects().Notice(hint));
    }
    op.Finish(code);
    return code;
}

class Update : public Command {
  public:
    explicit Update(CLI::App& app)
        : Command(app.add_subcommand("update", "update the device that FILE is meant for")) {
        sub_->footer(
            "Updates the device that the firmware file FILE is meant for. Every message of the\n"
            "run is printed alone on its line on standard output, in order. When standard error\n"
            "is a terminal, a line there shows what the run is doing, the bytes programmed, the\n"
            "rate and the time left, and one line sums the run up at its end. With --json,\n"
            "standard output carries JSON Lines instead: phase, progress, message (each text\n"
            "exactly) and a last result object.\n"
            "\n"
            "The run sees only the port of the device it updates (the one given, or the one port\n"
            "where a device that FILE fits is), so a device restarting into its boot loader is\n"
            "found again where it was. Once the run has sent its first report, Ctrl-C, SIGTERM\n"
            "and SIGHUP are held until it ends.\n"
            "\n"
            "When a type-0 file ends in \"USB연결실패\" while a device of the family waits in\n"
            "its boot loader at the run's port, one more line on standard error (a notice with\n"
            "--json) says which file reaches it: a type-0 file never does (see quillon status).\n"
            "\n"
            "No output (--trace, --dump-flash, the read-back log Readtest.bin, which the\n"
            "run holds locked) may be FILE, the scenario or another output; each is\n"
            "checked, and opened, before anything is sent.\n"
            "\n"
            "Exit codes: 0 the run ended with \"완료\"; 1 it failed after something was sent\n"
            "that may have changed the device; 2 the command line or one of its files\n"
            "cannot be used (a broken scenario, an output that cannot be written, a\n"
            "read-back log that cannot be kept, devices that FILE fits at several ports and\n"
            "no --port to say which: quillon station updates them all, an update policy\n"
            "that cannot be read), nothing sent; 3 the file was refused, by its checks or by\n"
            "the update policy (nothing sent); 4 no device fits the file (nothing sent).\n"
            "\n"
            "An update policy (--policy, else the system's if there is one) may ask for a\n"
            "signature by a trusted key in FILE.minisig, a lowest version per model and a\n"
            "list of the files allowed; a file it refuses is told why, on standard error.\n"
            "\n"
            "With --simulate the run is in real time, 1 ms per report, unless --virtual-time is\n"
            "given; --dump-flash writes the first simulated device's flash over the region that\n"
            "FILE programs (MCU or SPI flash).");
        sub_->add_option("FILE", options_.firmware, "the firmware file")->required();
        simulate_ = AddSimulation(options_);
        sub_->add_option("--port", options_.port,
                         "update the device at PORT only (see quillon list)")
            ->type_name("PORT");
        sub_->add_option("--trace", options_.tracePath, "write every event on the HID link to FILE")
            ->type_name("FILE");
        sub_->add_option("--dump-flash", dumpPath_,
                         "after the run, write the simulated flash that FILE programs")
            ->type_name("FILE")
            ->needs(simulate_);
        sub_->add_flag("--json", json_, "JSON Lines on standard output instead of the texts");
        AddPolicy(policyPath_);
    }

    int Run() override {
        options_.program = "quillon update";
        options_.simulate = simulate_->count() > 0;
        options_.pinToFittingPort = true;
        const std::vector<RunFile> inputs = {{"the firmware file", options_.firmware},
                                             {"the scenario", options_.scenario},
                                             {"the policy", policyPath_}};
        std::vector<RunFile> outputs = {{"--trace", options_.tracePath},
                                        {"--dump-flash", dumpPath_}};
        std::vector<RunFile> others = inputs;  // what the read-back log may not be
        others.insert(others.end(), outputs.begin(), outputs.end());
        outputs.push_back({"the read-back log", kReadBackLogName});
        std::string error = FindFileClash(inputs, outputs);
        if (!error.empty()) return Fail(error);
        const std::unique_ptr<PolicyGate> gate = PolicyInForce(policyPath_, error);
        if (!error.empty()) return Fail(error);
        // Opened before anything is sent: a dump that cannot be written is refused now, not
        // after the device was programmed.
        OwnedFile dump;
        if (!dumpPath_.empty() && !(dump = OpenForWriting(dumpPath_, error))) return Fail(error);
        RunSetup setup;
        if (!setup.Open(options_, error)) {
            return Fail(error, setup.NoDeviceAtPort() ? kExitNoDevice : kExitUsage);
        }
        ReadBackLogFiles files(kReadBackLogName, others);
        const auto afterRun = [&](int code) {
            sim::SimulatedBus* bus = setup.Bus();
            if (!dump || bus == nullptr || Dump(*bus, dump.get())) return code;
            std::fprintf(stderr, "quillon update: cannot write %s\n", dumpPath_.c_str());
            return kExitFailed;
        };
        const auto started = std::chrono::steady_clock::now();
        const int code = json_
                             ? RunForScripts(setup.Hid(), files, options_.firmware, stdoutLock_,
                                             afterRun, gate.get())
                             : RunOnce(setup.Hid(), files, options_.firmware, afterRun, gate.get());
        TellVirtualTime(setup, options_.virtualTime, started);
        return code;
    }

  private:
    // A command line or a file that cannot be used: one line, and nothing sent.
    int Fail(const std::string& error, int code = kExitUsage) {
        return Command::Fail(code, error, json_, &stdoutLock_);
    }

    // The region the file programs, read from the first simulated device.
    bool Dump(sim::SimulatedBus& bus, std::FILE* f) {
        auto loaded = std::make_unique<SharedState>();
        if (!sim::PreloadFirmware(options_.firmware, *loaded) ||
            bus.Platform().DeviceCount() == 0) {
            return true;
        }
        return DumpFlash(bus.Platform().Device(0), *loaded, f);
    }

    RunOptions options_;
    CLI::Option* simulate_;
    std::string dumpPath_;
    std::string policyPath_;
    bool json_ = false;
    std::mutex stdoutLock_;
};

}  // namespace

int RunUpdateOn(HidPlatform& hid, const std::string& firmware) {
    ReadBackLogFiles files(kReadBackLogName, {{"the firmware file", firmware}});
    return RunOnce(
        hid, files, firmware, [](int code) { return code; }, nullptr);
}

std::unique_ptr<Command> DefineUpdate(CLI::App& app) {
    return std::make_unique<Update>(app);
}

}  // namespace quillon::cli
