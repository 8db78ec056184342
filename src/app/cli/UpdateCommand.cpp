// quillon update: one update run, against the real HID backend or the simulated devices.
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/Host.h"
#include "app/JsonRunOperator.h"
#include "app/RunSetup.h"
#include "app/UpdateController.h"
#include "app/cli/Commands.h"
#include "app/cli/TerminalOperator.h"
#include "app/cli/TerminalProgress.h"
#include "firmware/FirmwareHeader.h"
#include "sim/SimulatedBus.h"

namespace quillon::cli {

namespace {

bool DumpFlash(sim::SimDevice& device, const SharedState& loaded, const std::string& path) {
    const std::uint32_t start = loaded.g_fwStartAddress;
    const std::uint32_t length = loaded.g_cbValidatedFile - kHeaderSize;
    const sim::SimFlash& flash = loaded.g_fwStorage == 1 ? device.Spi() : device.Flash();
    std::vector<std::uint8_t> bytes(length);
    if (flash.InRange(start, length)) flash.Read(start, bytes.data(), length);
    std::FILE* f = OpenForWriting(path);
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The view of a run that only scripts read.
class NoView : public DialogView {
  public:
    void SetBarPosition(int) override {}
    void StepBar() override {}
    void SetPercentLabel(const std::string&) override {}
    void EnableControls(bool) override {}
};

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
            "Exit codes: 0 the run ended with \"완료\"; 1 it failed at the device; 2 the command\n"
            "line was wrong; 3 the file was refused (nothing sent); 4 no device fits the file\n"
            "(nothing sent).\n"
            "\n"
            "With --simulate the run is in real time, 1 ms per report, unless --virtual-time is\n"
            "given; --dump-flash writes the first simulated device's flash over the region that\n"
            "FILE programs (MCU or SPI flash).");
        sub_->add_option("FILE", options_.firmware, "the firmware file")->required();
        simulate_ = sub_->add_option("--simulate", options_.scenario,
                                     "simulated devices: the scenario's, or one that fits FILE")
                        ->expected(0, 1)
                        ->type_name("[SCENARIO.json]");
        sub_->add_flag("--virtual-time", options_.virtualTime,
                       "simulated time: at once, then its duration on standard error")
            ->needs(simulate_);
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
        RunSetup setup;
        std::string error;
        if (!setup.Open(options_, error)) {
            std::fprintf(stderr, "quillon update: %s\n", error.c_str());
            if (json_) JsonLines(stdout, stdoutLock_).Write(RunEvents().Error(kExitFailed, error));
            return kExitFailed;
        }
        const auto started = std::chrono::steady_clock::now();
        const int code = json_ ? RunForScripts(setup.Hid()) : RunOnce(setup.Hid());
        sim::SimulatedBus* bus = setup.Bus();
        if (bus != nullptr && options_.virtualTime) {
            std::fprintf(
                stderr, "virtual time: %llu ms (host %lld ms)\n",
                static_cast<unsigned long long>(bus->NowMs()),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - started)
                                           .count()));
        }
        if (bus != nullptr && !dumpPath_.empty() && !Dump(*bus)) {
            std::fprintf(stderr, "quillon update: cannot write %s\n", dumpPath_.c_str());
            return kExitFailed;
        }
        return code;
    }

  private:
    // One run with the texts on standard output and, on a terminal, its progress and summary.
    int RunOnce(HidPlatform& hid) {
        auto state = std::make_unique<SharedState>();
        TerminalOperator op(options_.firmware);
        StdFileSystem files;
        TerminalProgress progress(op.TerminalLock(), StandardErrorIsTerminal(), state->phases,
                                  StandardErrorColumns());
        op.OnBeforeMessage([&progress] { progress.ClearLine(); });
        LinkServices services{*state, hid, op, files};
        const int code = Drive(services, progress, [&progress] { progress.Draw(); });
        progress.Finish();
        return code;
    }

    // One run told as JSON Lines on standard output.
    int RunForScripts(HidPlatform& hid) {
        auto state = std::make_unique<SharedState>();
        JsonLines out(stdout, stdoutLock_);
        JsonRunOperator op(options_.firmware, RunEvents(), out, hid);
        op.Attach(state->phases);
        StdFileSystem files;
        NoView view;
        LinkServices services{*state, hid, op, files};
        const int code = Drive(services, view, [] {});
        op.Finish(code);
        return code;
    }

    // Starts the run and turns the timer over until it has ended; the exit code its end gives.
    static int Drive(LinkServices& services, DialogView& view, const std::function<void()>& tick) {
        UpdateController controller(services, view);
        if (controller.StartUpdate()) {
            while (controller.Busy()) {
                controller.Tick();
                tick();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            controller.WaitForRun();
            controller.Tick();
            tick();
        }
        return ExitCodeOf(services.st.phases.Snapshot().end);
    }

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

std::unique_ptr<Command> DefineUpdate(CLI::App& app) {
    return std::make_unique<Update>(app);
}

}  // namespace quillon::cli
