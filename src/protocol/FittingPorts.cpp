#include "protocol/FittingPorts.h"

#include <set>

#include "protocol/DeviceDiscovery.h"

namespace quillon {

namespace {

bool InPlan(const SearchPlan& plan, const HidAttributes& a) {
    for (const auto* list : {&plan.beforeSwitch, &plan.afterSwitch}) {
        for (const auto& id : *list) {
            if (id.vid == a.vendorId && id.pid == a.productId) return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> FittingPorts(HidPlatform& hid, const SharedState& loaded) {
    const SearchPlan plan = PlanSearch(loaded);
    std::set<std::string> ports;
    const Handle list = hid.OpenInterfaceList();
    if (list == kInvalidHandle) return {};
    std::string path;
    for (std::uint32_t i = 0; hid.EnumInterface(list, i, path); ++i) {
        const std::string port = hid.InterfacePort(list, i);
        if (port.empty() || ports.count(port) != 0) continue;
        const Handle probe = hid.OpenForQuery(path);
        HidAttributes a;
        if (probe != kInvalidHandle && hid.GetAttributes(probe, a) && InPlan(plan, a)) {
            ports.insert(port);
        }
        hid.CloseHandle(probe);
    }
    hid.DestroyInterfaceList(list);
    return {ports.begin(), ports.end()};
}

}  // namespace quillon
