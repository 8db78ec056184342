#include "app/cli/VirtualTime.h"

#include <cstdio>

namespace quillon::cli {

void TellVirtualTime(RunSetup& setup, bool virtualTime,
                     std::chrono::steady_clock::time_point started) {
    sim::SimulatedBus* bus = setup.Bus();
    if (bus == nullptr || !virtualTime) return;
    const auto host = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::fprintf(stderr, "virtual time: %llu ms (host %lld ms)\n",
                 static_cast<unsigned long long>(bus->NowMs()),
                 static_cast<long long>(host.count()));
}

}  // namespace quillon::cli
