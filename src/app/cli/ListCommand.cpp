// quillon list: the HID interfaces present, with the family's marked.
#include <cstdio>

#include "app/RunSetup.h"
#include "app/cli/Commands.h"

namespace quillon::cli {

namespace {

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
        std::string port = hid.InterfacePort(list, i);
        if (port.empty()) port = "?";
        HidAttributes a;
        HidCaps caps;
        if (h == kInvalidHandle || !hid.GetAttributes(h, a)) {
            std::printf("%s  port %s  (cannot be queried)\n", path.c_str(), port.c_str());
        } else {
            const bool hasCaps = hid.GetCaps(h, caps);
            std::printf("%s  port %s  %04X:%04X  usage %04X:%04X  in %u out %u%s\n", path.c_str(),
                        port.c_str(), a.vendorId, a.productId, hasCaps ? caps.usagePage : 0,
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

class List : public Command {
  public:
    explicit List(CLI::App& app)
        : Command(
              app.add_subcommand("list", "list the HID interfaces present and mark the family's")) {
        sub_->footer(
            "Prints one line per HID interface present: path, port (the physical place of its\n"
            "device, \"?\" when unknown), VID:PID, usage page and usage,\n"
            "input and output report lengths (report-ID byte included), and \"family\" on the\n"
            "interfaces of the device family (VID 0581, or 1EAB:3303). With --simulate it lists\n"
            "the simulated bus of SCENARIO.json, or one default simulated device.");
        simulate_ = sub_->add_option("--simulate", options_.scenario,
                                     "list simulated devices instead of real ones")
                        ->expected(0, 1)
                        ->type_name("[SCENARIO.json]");
    }

    int Run() override {
        options_.program = "quillon list";
        options_.simulate = simulate_->count() > 0;
        options_.virtualTime = true;
        RunSetup setup;
        std::string error;
        if (!setup.Open(options_, error)) {
            std::fprintf(stderr, "quillon list: %s\n", error.c_str());
            return kExitFailed;
        }
        return ListInterfaces(setup.Hid());
    }

  private:
    RunOptions options_;
    CLI::Option* simulate_;
};

}  // namespace

std::unique_ptr<Command> DefineList(CLI::App& app) {
    return std::make_unique<List>(app);
}

}  // namespace quillon::cli
