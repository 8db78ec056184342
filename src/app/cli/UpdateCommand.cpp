// quillon update: one update run, against the real HID backend or the simulated devices.
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/UpdateController.h"
#include "app/cli/Args.h"
#include "app/cli/Commands.h"
#include "app/cli/Host.h"
#include "app/cli/SystemBackend.h"
#include "app/cli/TerminalOperator.h"
#include "app/cli/TerminalProgress.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "hid/TracingHidPlatform.h"
#include "sim/SimPlatform.h"
#include "sim/SimulatedBus.h"

namespace quillon::cli {

namespace {

constexpr char kUsage[] =
    "usage: quillon update FILE [--simulate [SCENARIO.json]] [--virtual-time] [--trace FILE]\n"
    "                           [--dump-flash FILE]\n"
    "\n"
    "Updates the device that the firmware file FILE is meant for. Every message of the run is\n"
    "printed alone on its line on standard output, in order; progress and the status line go to\n"
    "standard error when it is a terminal. Exit code 0 when the run ended with \"완료\", 1 when "
    "it\n"
    "failed or the file was refused, 2 when the command line was wrong.\n"
    "\n"
    "  --simulate [SCENARIO.json]  use simulated devices instead of real ones: those of the\n"
    "                              scenario file, or one device that fits FILE; in real time,\n"
    "                              1 ms per report\n"
    "  --virtual-time              (with --simulate) run on virtual time: at once, then print\n"
    "                              the virtual duration on standard error\n"
    "  --trace FILE                write every event on the HID link to FILE\n"
    "  --dump-flash FILE           (with --simulate) after the run, write the first simulated\n"
    "                              device's flash over the region FILE programs (MCU or SPI)\n";

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

}  // namespace

int RunUpdate(const std::vector<std::string>& words) {
    const Args args =
        ParseArgs(words, {"--help", "--virtual-time"}, {"--trace", "--dump-flash"}, {"--simulate"});
    if (args.Has("--help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (!args.error.empty()) return UsageError("update", args.error, kUsage);
    if (args.positional.size() != 1) return UsageError("update", "expects one FILE", kUsage);
    const bool simulate = args.Has("--simulate");
    if (!simulate && (args.Has("--virtual-time") || args.Has("--dump-flash"))) {
        return UsageError("update", "--virtual-time and --dump-flash need --simulate", kUsage);
    }
    const std::string file = args.positional[0];

    auto scratch = std::make_unique<SharedState>();
    const bool loadable = sim::PreloadFirmware(file, *scratch);

    std::unique_ptr<sim::SimulatedBus> simulator;
    std::unique_ptr<HidPlatform> system;
    HidPlatform* hid = nullptr;
    if (simulate) {
        simulator = std::make_unique<sim::SimulatedBus>(args.Has("--virtual-time"));
        const std::string scenarioFile = args.Get("--simulate");
        std::string error;
        if (!scenarioFile.empty()) {
            if (!simulator->UseScenarioFile(scenarioFile, error)) {
                std::fprintf(stderr, "quillon update: %s: %s\n", scenarioFile.c_str(),
                             error.c_str());
                return kExitFailed;
            }
        } else if (loadable) {
            simulator->FitTo(*scratch);
        }
        hid = simulator.get();
    } else {
        std::string reason;
        system = MakeCliSystemHid("update", reason);
        if (!system) {
            std::fprintf(stderr, "quillon update: %s\n", reason.c_str());
            return kExitFailed;
        }
        hid = system.get();
    }

    std::FILE* traceFile = nullptr;
    std::unique_ptr<TracingHidPlatform> tracer;
    if (args.Has("--trace")) {
        traceFile = OpenForWriting(args.Get("--trace"));
        if (traceFile == nullptr) {
            std::fprintf(stderr, "quillon update: cannot write %s\n", args.Get("--trace").c_str());
            return kExitFailed;
        }
        tracer = std::make_unique<TracingHidPlatform>(*hid, traceFile);
        hid = tracer.get();
    }

    auto state = std::make_unique<SharedState>();
    TerminalOperator op(file);
    StdFileSystem files;
    const bool tty = StandardErrorIsTerminal();
    TerminalProgress progress(op.TerminalLock(), tty);
    op.OnBeforeMessage([&progress] { progress.ClearLine(); });
    op.OnStatusLine([&progress](const std::string& text) { progress.SetStatus(text); });
    LinkServices services{*state, *hid, op, files};
    UpdateController controller(services, progress);

    const auto started = std::chrono::steady_clock::now();
    int code = kExitFailed;
    if (controller.StartUpdate()) {
        while (controller.Busy()) {
            controller.Tick();
            progress.Draw();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        code = controller.WaitForRun() == 0 ? kExitOk : kExitFailed;
        controller.Tick();
        progress.Draw();
        {
            std::lock_guard lock(op.TerminalLock());
            progress.ClearLine();
        }
    }
    if (traceFile != nullptr) std::fclose(traceFile);

    if (simulator && args.Has("--virtual-time")) {
        std::fprintf(stderr, "virtual time: %llu ms (host %lld ms)\n",
                     static_cast<unsigned long long>(simulator->NowMs()),
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now() - started)
                                                .count()));
    }
    if (simulator && args.Has("--dump-flash") && loadable &&
        simulator->Platform().DeviceCount() > 0 &&
        !DumpFlash(simulator->Platform().Device(0), *scratch, args.Get("--dump-flash"))) {
        std::fprintf(stderr, "quillon update: cannot write %s\n", args.Get("--dump-flash").c_str());
        return kExitFailed;
    }
    return code;
}

}  // namespace quillon::cli
