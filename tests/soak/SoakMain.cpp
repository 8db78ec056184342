// The random-fault soak: thousands of whole update runs on virtual time against simulated devices
// of every accepted model and both storage kinds, each with random faults, and the invariants
// that must hold after every one of them; after a power cut or a pulled cable, the same update
// again on the device plugged in anew. Usage: quillon_soak [--seed S] [--runs N] [--run K]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "app/UpdateController.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "protocol/ProgramDevice.h"
#include "protocol/UpdateWorker.h"
#include "sim/Scenario.h"
#include "sim/SimPlatform.h"
#include "soak/TickingPlatform.h"
#include "state/CollectingOperator.h"
#include "state/Texts.h"
#include "support/TempDir.h"
#include "support/TestFileSystem.h"

namespace quillon::soak {

namespace {

constexpr std::uint32_t kModels[] = {1, 3, 4, 5, 6, 7, 8, 10, 259, 264, 0x00010003, 0x00020007};
constexpr std::uint32_t kMcuStarts[] = {0, 0x200, 0x8000, 0x23FFC, 0x24000, 0x1030000};
constexpr std::uint32_t kSpiStarts[] = {0, 0x1000, 0x10000, 0x800000};  // within 16 MiB
constexpr sim::SimCommand kCommands[] = {
    sim::SimCommand::kQueryMode,  sim::SimCommand::kQueryModel, sim::SimCommand::kReadDeviceInfo,
    sim::SimCommand::kEraseFlash, sim::SimCommand::kWriteFlash, sim::SimCommand::kReadFlash,
    sim::SimCommand::kJumpTo,     sim::SimCommand::kWakeModule, sim::SimCommand::kSpiErase,
    sim::SimCommand::kSpiWrite,   sim::SimCommand::kSpiRead,    sim::SimCommand::kSwitch};
// No run may take longer than this on virtual time (the longest legal wait chain is ~3 minutes).
constexpr std::uint64_t kVirtualBoundMs = 10 * 60 * 1000;

class View : public DialogView {
  public:
    void SetBarPosition(int) override {}
    void StepBar() override {}
    void SetPercentLabel(const std::string& text) override {
        const int p = std::atoi(text.c_str());
        if (p > maxPercent) maxPercent = p;
    }
    void EnableControls(bool) override {}
    int maxPercent = 0;
};

struct Plan {
    FirmwareFields fields;
    std::size_t size = 0;
    sim::SimDeviceConfig device;
    bool faulty = false;
    bool environment = false;  // slow or no re-enumeration, module, file or log trouble
    bool changeFile = false;
    int logWriteFailure = 0;
    std::string describe;
};

template <typename T, std::size_t N>
T Pick(std::mt19937& rng, const T (&items)[N]) {
    return items[rng() % N];
}

Plan MakePlan(std::mt19937& rng, const SharedState& loaded) {
    Plan p;
    p.device = sim::DefaultDeviceFor(loaded);
    // Other report lengths, and a keyboard collection listed before the vendor one.
    if (rng() % 4 == 0)
        p.device.collections[0].inputLength = p.device.collections[0].outputLength = 65;
    if (rng() % 4 == 0)
        p.device.collections.insert(p.device.collections.begin(), {0x0001, 0x0006, 9, 2});
    const int faults = static_cast<int>(rng() % 4);  // a quarter of the runs have none
    char buf[160];
    for (int i = 0; i < faults; ++i) {
        sim::FaultRule r;
        r.command = Pick(rng, kCommands);
        r.kind = Pick(rng, sim::kFaultKinds);
        r.from = 1 + rng() % 120;
        r.to = r.from + (rng() % 4 == 0 ? rng() % 12 : 0);
        r.delayMs = rng() % 2500;  // late: within the read wait, or after it
        r.after = rng() % 2 == 0;  // power cut: once the command has taken effect
        p.device.faults.push_back(r);
        std::snprintf(buf, sizeof buf, " %s#%u-%u:%s", sim::CommandName(r.command), r.from, r.to,
                      sim::FaultName(r.kind));
        p.describe += buf;
        if (r.kind == sim::FaultKind::kLate) p.describe += "+" + std::to_string(r.delayMs) + "ms";
        if (r.kind == sim::FaultKind::kPowerCut) p.describe += r.after ? "(after)" : "(before)";
    }
    const std::size_t withoutEnvironment = p.describe.size();
    switch (rng() % 10) {
        case 0:
            p.device.restartDelayMs = 1500 + rng() % 70000;  // slow re-enumeration
            p.describe += " slow-restart:" + std::to_string(p.device.restartDelayMs);
            break;
        case 1:
            p.device.restartNever = true;
            p.describe += " restart-never";
            break;
        case 2:
            if (p.device.hasModule) {
                p.device.moduleAbsent = rng() % 2 == 0;
                p.device.moduleWakes = rng() % 7;
                p.describe += p.device.moduleAbsent ? " module-absent" : " module-wakes";
            }
            break;
        case 3:
            p.changeFile = true;
            p.describe += " file-changed";
            break;
        case 4:
            p.logWriteFailure = 1 + static_cast<int>(rng() % 60);
            p.describe += " log-write-fails";
            break;
        default:
            break;
    }
    p.faulty = !p.describe.empty();
    p.environment = p.describe.size() != withoutEnvironment;
    return p;
}

struct Outcome {
    bool ok = true;
    std::string why;
    bool replugged = false;  // run again after a power cut or a pulled cable
    bool recovered = false;  // and that run ended in 완료
    void Check(bool condition, const char* what) {
        if (!condition && ok) {
            ok = false;
            why = what;
        }
    }
};

Outcome OneRun(std::uint64_t seed, std::uint64_t index, const test::TempDir& dir, bool verbose) {
    std::mt19937 rng(static_cast<std::uint32_t>(seed * 1000003u + index));
    Outcome out;
    FirmwareFields f;
    f.model = Pick(rng, kModels);
    f.type = static_cast<std::uint8_t>(rng() % 2);
    f.storage = static_cast<std::uint8_t>(rng() % 2);
    f.startAddress = f.storage == 1 ? Pick(rng, kSpiStarts) : Pick(rng, kMcuStarts);
    f.skipFinal = static_cast<std::uint8_t>(rng() % 2);
    f.finalArg = rng();
    const std::size_t size = rng() % 6 == 0 ? rng() % 20000 : rng() % 3000;
    const std::vector<std::uint8_t> image = test::RandomBytes(size, rng());
    const std::string path = dir.Write("soak.fw", PackFirmware(f, image));

    auto st = std::make_unique<SharedState>();
    CollectingOperator op(path);
    test::TestFileSystem files(dir.Path());
    if (FirmwareLoader(*st, op, files).LoadFirmwareFile()) {
        out.Check(false, "the loader refused a valid file");
        return out;
    }
    Plan plan = MakePlan(rng, *st);
    if (verbose) {
        std::printf("run %" PRIu64 ": model 0x%X type %u storage %u start 0x%X size %zu%s\n", index,
                    f.model, f.type, f.storage, f.startAddress, size, plan.describe.c_str());
    }
    files.failWriteAt = plan.logWriteFailure;
    if (plan.changeFile) {
        files.beforeOpen = [&](const std::string& p) {
            std::vector<std::uint8_t> bytes = test::TempDir::Read(p);
            if (!bytes.empty()) bytes[bytes.size() / 2] ^= 0x10;
            dir.Write("soak.fw", bytes);
        };
    }

    sim::SimPlatform simulator(true);
    simulator.AddDevice(plan.device);
    View view;
    LinkServices services{*st, simulator, op, files};
    UpdateController timer(services, view);
    TickingPlatform ticking(simulator, [&] { timer.Tick(); });
    LinkServices ticked{*st, ticking, op, files};
    sim::SimDevice& d = simulator.Device(0);
    const sim::SimFlash& flash = f.storage == 1 ? d.Spi() : d.Flash();
    std::vector<std::string> texts;
    int code = -1;
    bool done = false, flashRight = false;
    // One press of the update button (the file was loaded already for the first) and the
    // checks that hold after every run.
    const auto run = [&](const char* which) {
        st->g_bBusy = 1;
        code = UpdateWorker(ticked).UpdateThreadProc();
        timer.Tick();
        texts = op.Messages();
        done = !texts.empty() && texts.back() == text::kDone;
        std::vector<std::uint8_t> now(size);
        if (size > 0) flash.Read(f.startAddress, now.data(), static_cast<std::uint32_t>(size));
        flashRight = now == image;
        out.Check(simulator.NowMs() < kVirtualBoundMs, "the run took too long on virtual time");
        out.Check(!done || flashRight, "완료 while the flash differs from the image");
        out.Check(done == (code == 0), "the exit code does not match the last text");
        out.Check(code == 0 || !texts.empty(), "a failure without a text");
        out.Check(simulator.OpenHandles() == 0, "a handle was left open");
        out.Check(files.liveFiles == 0, "the read-back log was left open");
        out.Check(st->g_bBusy == 0, "g_bBusy set at the end");
        out.Check(st->g_bProgressActive == 0, "g_bProgressActive set at the end");
        out.Check(view.maxPercent <= 100, "the label showed more than 100%");
        out.Check(d.BadFrames() == 0, "the device got a malformed frame");
        if (!out.ok && verbose) {
            std::printf("  %s run:\n", which);
            for (const std::string& t : texts) std::printf("  text: %s\n", t.c_str());
            std::printf("  exit %d, virtual %" PRIu64 " ms, last bad frame: %s\n", code,
                        simulator.NowMs(), d.LastBadFrame().c_str());
        }
    };
    std::vector<std::uint8_t> old(size);
    if (size > 0) flash.Read(f.startAddress, old.data(), static_cast<std::uint32_t>(size));
    run("first");
    out.Check(plan.faulty || done, "a run without faults failed");

    // The power went, or the cable was pulled: plugged in again on a sound cable, the same
    // update must end in 완료 with the image in flash, except where the device came back in its
    // boot loader for a file that does not go through it (the README lists those).
    if (out.ok && !plan.environment && !d.Present(simulator.NowMs())) {
        d.ClearFaults();
        d.Replug(simulator.NowMs());
        const bool unreachable = d.InBootloader() && f.type == 0;
        // Where the first word is held back, the boot loader never starts a half-written
        // application (an image at address 0 has its word in place from the first chunk on).
        const std::uint32_t m = f.model & 0xFF;
        const bool heldBack =
            f.storage == 0 && size >= 7 && (f.startAddress != 0 || m == 8 || m == 10);
        std::vector<std::uint8_t> now(size);
        if (size > 0) flash.Read(f.startAddress, now.data(), static_cast<std::uint32_t>(size));
        out.Check(!heldBack || d.InBootloader() || now == old || now == image,
                  "the device came back in a half-written application");
        if (verbose) {
            std::printf("re-plugged in its %s\n", d.InBootloader() ? "boot loader" : "application");
        }
        op.Clear();
        if (FirmwareLoader(*st, op, files).LoadFirmwareFile()) {
            out.Check(false, "the loader refused the file the second time");
            return out;
        }
        run("second");
        out.replugged = true;
        out.recovered = done;
        out.Check(done || unreachable, "the same update after re-plugging did not end in 완료");
        out.Check(done || texts == std::vector<std::string>{text::kUsbConnectFailed},
                  "a device in its boot loader for a type-0 file was not reported as not found");
    }
    return out;
}

}  // namespace

int Main(int argc, char** argv) {
    std::uint64_t seed = std::random_device{}();
    std::uint64_t runs = 1000;
    long long only = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0)
            seed = std::strtoull(argv[i + 1], nullptr, 0);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::strtoull(argv[i + 1], nullptr, 0);
        else if (std::strcmp(argv[i], "--run") == 0)
            only = std::atoll(argv[i + 1]);
    }
    if (only >= 0) runs = static_cast<std::uint64_t>(only) + 1;
    std::printf("soak: seed %" PRIu64 ", %" PRIu64 " runs\n", seed, runs);
    std::fflush(stdout);
    test::TempDir dir;
    std::uint64_t failed = 0, completed = 0, replugged = 0, recovered = 0;
    for (std::uint64_t i = 0; i < runs; ++i) {
        if (only >= 0 && static_cast<std::uint64_t>(only) != i) continue;
        const Outcome o = OneRun(seed, i, dir, only >= 0);
        if (!o.ok) {
            ++failed;
            std::printf("FAIL run %" PRIu64 ": %s (replay: --seed %" PRIu64 " --run %" PRIu64 ")\n",
                        i, o.why.c_str(), seed, i);
            if (failed >= 20) break;
        } else {
            ++completed;
        }
        replugged += o.replugged;
        recovered += o.recovered;
    }
    std::printf("%" PRIu64 " passed, %" PRIu64 " failed; %" PRIu64
                " re-plugged after a power cut or a pulled cable, %" PRIu64
                " of them updated by the same update again\n",
                completed, failed, replugged, recovered);
    return failed == 0 ? 0 : 1;
}

}  // namespace quillon::soak

int main(int argc, char** argv) {
    return quillon::soak::Main(argc, argv);
}
