// quillon update: one update run, against the real HID backend or the simulated devices.
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/Host.h"
#include "app/RunSetup.h"
#include "app/UpdateController.h"
#include "app/cli/Commands.h"
#include "app/cli/FirstReportWatch.h"
#include "app/cli/InterruptHold.h"
#include "app/cli/StorageNotice.h"
#include "app/cli/TerminalOperator.h"
#include "app/cli/TerminalProgress.h"
#include "app/cli/VirtualTime.h"
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

class Update : public Command {
  public:
    explicit Update(CLI::App& app)
        : Command(app.add_subcommand(
              "update", "update the device that FILE is meant for (real or simulated)")) {
        sub_->footer(
            "Updates the device that the firmware file FILE is meant for. Every message of the\n"
            "run is printed alone on its line on standard output, in order; progress and the\n"
            "status line go to standard error when it is a terminal. Exit code 0 when the run\n"
            "ended with \"완료\", 1 when it failed or the file was refused, 2 when the command\n"
            "line was wrong, or when devices that FILE fits are at several ports and no --port\n"
            "says which (quillon station updates them all).\n"
            "\n"
            "The run sees only the port of the device it updates (the one given, or the one port\n"
            "where a device that FILE fits is), so a device restarting into its boot loader is\n"
            "found again where it was.\n"
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
        sub_->add_option("--port", options_.port,
                         "update the device at PORT only (see quillon list)")
            ->type_name("PORT");
        sub_->add_option("--trace", options_.tracePath, "write every event on the HID link to FILE")
            ->type_name("FILE");
        sub_->add_option("--dump-flash", dumpPath_,
                         "after the run, write the simulated flash that FILE programs")
            ->type_name("FILE")
            ->needs(simulate_);
    }

    int Run() override {
        options_.program = "quillon update";
        options_.simulate = simulate_->count() > 0;
        options_.pinToFittingPort = true;
        RunSetup setup;
        std::string error;
        if (!setup.Open(options_, error)) {
            std::fprintf(stderr, "quillon update: %s\n", error.c_str());
            return setup.Ambiguous() ? kExitUsage : kExitFailed;
        }
        const auto started = std::chrono::steady_clock::now();
        const int code = RunOnce(setup.Hid(), options_.firmware);
        TellVirtualTime(setup, options_.virtualTime, started);
        sim::SimulatedBus* bus = setup.Bus();
        if (bus != nullptr && !dumpPath_.empty() && !Dump(*bus)) {
            std::fprintf(stderr, "quillon update: cannot write %s\n", dumpPath_.c_str());
            return kExitFailed;
        }
        return code;
    }

    static int RunOnce(HidPlatform& hid, const std::string& firmware) {
        auto state = std::make_unique<SharedState>();
        TerminalOperator op(firmware);
        StdFileSystem files;
        const bool tty = StandardErrorIsTerminal();
        TerminalProgress progress(op.TerminalLock(), tty);
        op.OnBeforeMessage([&progress] { progress.ClearLine(); });
        op.OnStatusLine([&progress](const std::string& text) { progress.SetStatus(text); });
        // Before the worker starts, which takes the blocked interrupts over from this thread.
        InterruptHold hold;
        FirstReportWatch watched(hid, [&hold] { hold.Hold(); });
        const auto tellHeld = [&] {
            if (!hold.TakeNotice()) return;
            std::lock_guard lock(op.TerminalLock());
            progress.ClearLine();
            std::fprintf(stderr, "quillon update: %s\n", kInterruptHeldNotice);
        };
        LinkServices services{*state, watched, op, files};
        UpdateController controller(services, progress);
        if (!controller.StartUpdate()) return kExitFailed;
        if (const std::string notice = StorageNotice(state->g_fwStorage); !notice.empty()) {
            std::lock_guard lock(op.TerminalLock());
            std::fprintf(stderr, "quillon update: %s\n", notice.c_str());
        }
        while (controller.Busy()) {
            tellHeld();
            controller.Tick();
            progress.Draw();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const int code = controller.WaitForRun() == 0 ? kExitOk : kExitFailed;
        hold.Release();
        tellHeld();
        controller.Tick();
        progress.Draw();
        std::lock_guard lock(op.TerminalLock());
        progress.ClearLine();
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
};

}  // namespace

int RunUpdateOn(HidPlatform& hid, const std::string& firmware) {
    return Update::RunOnce(hid, firmware);
}

std::unique_ptr<Command> DefineUpdate(CLI::App& app) {
    return std::make_unique<Update>(app);
}

}  // namespace quillon::cli
