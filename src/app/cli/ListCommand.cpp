// quillon list: the HID interfaces present, with the family's marked.
#include <cstdio>

#include "app/cli/Args.h"
#include "app/cli/Commands.h"
#include "app/cli/SystemBackend.h"
#include "sim/Scenario.h"
#include "sim/SimPlatform.h"

namespace quillon::cli {

namespace {

constexpr char kUsage[] =
    "usage: quillon list [--simulate [SCENARIO.json]]\n"
    "\n"
    "Prints one line per HID interface present: path, VID:PID, usage page and usage, input and\n"
    "output report lengths (report-ID byte included), and \"family\" on the interfaces of the\n"
    "device family (VID 0581, or 1EAB:3303). With --simulate it lists the simulated bus of\n"
    "SCENARIO.json, or one default simulated device.\n";

bool IsFamily(const HidAttributes& a) {
    return a.vendorId == 0x0581 || (a.vendorId == 0x1EAB && a.productId == 0x3303);
}

int ListInterfaces(HidPlatform& hid) {
    const Handle list = hid.OpenInterfaceList();
    if (list == kInvalidHandle) {
        std::fprintf(stderr, "quillon list: the HID interfaces cannot be listed\n");
        return kExitFailed;
    }
    std::string path;
    int count = 0;
    for (std::uint32_t i = 0; hid.EnumInterface(list, i, path); ++i) {
        const Handle h = hid.OpenForQuery(path);
        HidAttributes a;
        HidCaps caps;
        if (h == kInvalidHandle || !hid.GetAttributes(h, a)) {
            std::printf("%s  (cannot be queried)\n", path.c_str());
        } else {
            const bool hasCaps = hid.GetCaps(h, caps);
            std::printf("%s  %04X:%04X  usage %04X:%04X  in %u out %u%s\n", path.c_str(),
                        a.vendorId, a.productId, hasCaps ? caps.usagePage : 0,
                        hasCaps ? caps.usage : 0, caps.inputReportByteLength,
                        caps.outputReportByteLength, IsFamily(a) ? "  family" : "");
        }
        hid.CloseHandle(h);
        ++count;
    }
    hid.DestroyInterfaceList(list);
    if (count == 0) std::printf("no HID interfaces present\n");
    return kExitOk;
}

}  // namespace

int RunList(const std::vector<std::string>& words) {
    const Args args = ParseArgs(words, {"--help"}, {}, {"--simulate"});
    if (args.Has("--help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (!args.error.empty()) return UsageError("list", args.error, kUsage);
    if (!args.positional.empty()) return UsageError("list", "takes no FILE", kUsage);

    if (args.Has("--simulate")) {
        sim::Scenario scenario;
        const std::string file = args.Get("--simulate");
        std::string error;
        if (file.empty()) {
            scenario.devices.push_back(sim::SimDeviceConfig{});
        } else if (!sim::LoadScenarioFile(file, scenario, error)) {
            std::fprintf(stderr, "quillon list: %s: %s\n", file.c_str(), error.c_str());
            return kExitFailed;
        }
        sim::SimPlatform platform(true);
        for (const auto& d : scenario.devices) platform.AddDevice(d);
        return ListInterfaces(platform);
    }
    std::string reason;
    std::unique_ptr<HidPlatform> hid = MakeCliSystemHid("list", reason);
    if (!hid) {
        std::fprintf(stderr, "quillon list: %s\n", reason.c_str());
        return kExitFailed;
    }
    return ListInterfaces(*hid);
}

}  // namespace quillon::cli
