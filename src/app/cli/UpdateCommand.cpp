// quillon update: one update run, against the real HID backend or the simulated devices.
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "app/FirstReportWatch.h"
#include "app/Host.h"
#include "app/JsonRunOperator.h"
#include "app/RunSetup.h"
#include "app/UpdateController.h"
#include "app/cli/Commands.h"
#include "app/cli/FlashDump.h"
#include "app/cli/InterruptHold.h"
#include "app/cli/StorageNotice.h"
#include "app/cli/TerminalOperator.h"
#include "app/cli/TerminalProgress.h"
#include "app/cli/VirtualTime.h"
#include "sim/SimulatedBus.h"

namespace quillon::cli {

namespace {

// One run over hid, told by op and progress; interrupts are held from the run's first report
// to its end. The exit code its end gives.
int Drive(HidPlatform& hid, SharedState& state, Operator& op, TerminalProgress& progress,
          std::mutex& terminal) {
    StdFileSystem files;
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

// One run with the texts on standard output and, on a terminal, its progress and summary.
int RunOnce(HidPlatform& hid, const std::string& firmware) {
    auto state = std::make_unique<SharedState>();
    TerminalOperator op(firmware);
    TerminalProgress progress(op.TerminalLock(), StandardErrorIsTerminal(), state->phases,
                              StandardErrorColumns());
    op.OnBeforeMessage([&progress] { progress.ClearLine(); });
    const int code = Drive(hid, *state, op, progress, op.TerminalLock());
    progress.Finish();
    return code;
}

// One run told as JSON Lines on standard output.
int RunForScripts(HidPlatform& hid, const std::string& firmware, std::mutex& stdoutLock) {
    auto state = std::make_unique<SharedState>();
    JsonLines out(stdout, stdoutLock);
    JsonRunOperator op(firmware, RunEvents(), out, hid);
    op.Attach(state->phases);
    std::mutex stderrLock;
    TerminalProgress silent(stderrLock, false, state->phases);
    const int code = Drive(hid, *state, op, silent, stderrLock);
    op.Finish(code);
    return code;
}

class Update : public Command {
  public:
    explicit Update(CLI::App& app)
        : Command(app.add_subcommand(
              "update", "update the device that FILE is meant for (real or simulated)")) {
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
            "Exit codes: 0 the run ended with \"완료\"; 1 it failed at the device; 2 the command\n"
            "line was wrong, or devices that FILE fits are at several ports and no --port says\n"
            "which (quillon station updates them all); 3 the file was refused (nothing sent); 4\n"
            "no device fits the file (nothing sent).\n"
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
    }

    int Run() override {
        options_.program = "quillon update";
        options_.simulate = simulate_->count() > 0;
        options_.pinToFittingPort = true;
        RunSetup setup;
        std::string error;
        if (!setup.Open(options_, error)) {
            std::fprintf(stderr, "quillon update: %s\n", error.c_str());
            const int code = setup.Ambiguous()        ? kExitUsage
                             : setup.NoDeviceAtPort() ? kExitNoDevice
                                                      : kExitFailed;
            if (json_) JsonLines(stdout, stdoutLock_).Write(RunEvents().Error(code, error));
            return code;
        }
        const auto started = std::chrono::steady_clock::now();
        const int code = json_ ? RunForScripts(setup.Hid(), options_.firmware, stdoutLock_)
                               : RunOnce(setup.Hid(), options_.firmware);
        TellVirtualTime(setup, options_.virtualTime, started);
        sim::SimulatedBus* bus = setup.Bus();
        if (bus != nullptr && !dumpPath_.empty() && !Dump(*bus)) {
            std::fprintf(stderr, "quillon update: cannot write %s\n", dumpPath_.c_str());
            return kExitFailed;
        }
        return code;
    }

  private:
    // The region the file programs, read from the first simulated device.
    bool Dump(sim::SimulatedBus& bus) {
        auto loaded = std::make_unique<SharedState>();
        if (!sim::PreloadFirmware(options_.firmware, *loaded) ||
            bus.Platform().DeviceCount() == 0) {
            return true;
        }
        return DumpFlash(bus.Platform().Device(0), *loaded, dumpPath_);
    }

    RunOptions options_;
    CLI::Option* simulate_;
    std::string dumpPath_;
    bool json_ = false;
    std::mutex stdoutLock_;
};

}  // namespace

int RunUpdateOn(HidPlatform& hid, const std::string& firmware) {
    return RunOnce(hid, firmware);
}

std::unique_ptr<Command> DefineUpdate(CLI::App& app) {
    return std::make_unique<Update>(app);
}

}  // namespace quillon::cli
