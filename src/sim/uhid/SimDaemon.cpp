#include "sim/uhid/SimDaemon.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <memory>

#include "sim/SimClock.h"
#include "sim/uhid/SimBridge.h"
#include "sim/uhid/UhidDevice.h"

namespace quillon::sim {

namespace {

bool WriteDump(SimBridge& bridge, const FlashDump& d) {
    const SimFlash& flash = d.spi ? bridge.Device().Spi() : bridge.Device().Flash();
    if (!flash.InRange(d.address, d.length)) {
        std::fprintf(stderr, "quillon-simd: dump of %s: past the end of the flash\n",
                     d.file.c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes(d.length);
    flash.Read(d.address, bytes.data(), d.length);
    std::ofstream out(d.file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "quillon-simd: cannot write %s\n", d.file.c_str());
        return false;
    }
    return true;
}

// A signal descriptor for SIGINT and SIGTERM, which are blocked from here on so that they
// arrive only through it.
int StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace

int RunSimDaemon(const Scenario& scenario, const DaemonOptions& options) {
    for (const FlashDump& d : options.dumps) {
        if (d.device >= scenario.devices.size()) {
            std::fprintf(stderr, "quillon-simd: dump of %s: no device %zu\n", d.file.c_str(),
                         d.device);
            return 1;
        }
    }
    const int stop = StopSignals();
    if (stop < 0) {
        std::perror("quillon-simd: signalfd");
        return 1;
    }
    // The twins outlive the bridges that refer to them.
    std::vector<std::unique_ptr<UhidDevice>> twins;
    std::vector<std::unique_ptr<SimBridge>> bridges;
    for (std::size_t i = 0; i < scenario.devices.size(); ++i) {
        const std::string port =
            scenario.devices[i].port.empty() ? DefaultPort(i) : scenario.devices[i].port;
        twins.push_back(std::make_unique<UhidDevice>("device " + std::to_string(i), port));
        std::string error;
        if (!twins.back()->Open(options.uhidPath, error)) {
            std::fprintf(stderr, "quillon-simd: %s\n", error.c_str());
            ::close(stop);
            return 1;
        }
        bridges.push_back(std::make_unique<SimBridge>(scenario.devices[i], *twins.back()));
    }

    SimClock clock(false);
    bool ok = true;
    std::vector<std::uint8_t> report;
    while (ok) {
        std::uint64_t now = clock.Now();
        std::uint64_t due = UINT64_MAX;
        for (auto& b : bridges) {
            ok = ok && b->Tick(now);
            due = std::min(due, b->NextDue());
        }
        if (!ok) break;
        const int timeout =
            due == UINT64_MAX
                ? -1
                : static_cast<int>(std::min<std::uint64_t>(due > now ? due - now : 0, INT_MAX));
        std::vector<pollfd> fds{{stop, POLLIN, 0}};
        for (auto& t : twins) fds.push_back({t->Fd(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            std::perror("quillon-simd: poll");
            ok = false;
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) break;
        for (std::size_t i = 0; ok && i < twins.size(); ++i) {
            if ((fds[i + 1].revents & POLLIN) == 0) continue;
            for (;;) {
                const UhidDevice::Event e = twins[i]->Read(report);
                if (e == UhidDevice::Event::kNothing) break;
                if (e == UhidDevice::Event::kFailed) {
                    ok = false;
                    break;
                }
                now = clock.Now();
                if (e == UhidDevice::Event::kOutput &&
                    !bridges[i]->Output(report.data(), report.size(), now)) {
                    ok = false;
                    break;
                }
            }
        }
    }
    ::close(stop);
    for (auto& t : twins) t->Destroy();
    for (const FlashDump& d : options.dumps) ok = WriteDump(*bridges[d.device], d) && ok;
    return ok ? 0 : 1;
}

}  // namespace quillon::sim
