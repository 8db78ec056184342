// The options of a simulated run, as "--simulate [SCENARIO] --virtual-time" give them.
#pragma once

#include <string>
#include <utility>

#include "app/RunSetup.h"

namespace quillon::test {

inline RunOptions SimulatedRun(std::string firmware = "", std::string scenario = "",
                               bool virtualTime = true) {
    RunOptions o;
    o.simulate = true;
    o.virtualTime = virtualTime;
    o.firmware = std::move(firmware);
    o.scenario = std::move(scenario);
    return o;
}

}  // namespace quillon::test
