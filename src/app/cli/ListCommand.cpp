// quillon list: the HID interfaces present, with the family's marked.
#include <cstdio>
#include <mutex>
#include <vector>

#include "app/RunSetup.h"
#include "app/cli/Commands.h"
#include "app/schema/Documents.h"
#include "app/schema/JsonLines.h"
#include "app/schema/RunObjects.h"

namespace quillon::cli {

namespace {

bool IsFamily(const HidAttributes& a) {
    return a.vendorId == 0x0581 || (a.vendorId == 0x1EAB && a.productId == 0x3303);
}

struct Interface {
    std::string path;
    std::string port;  // "?" where the platform cannot tell
    bool queried = false;
    HidAttributes a;
    bool hasCaps = false;
    HidCaps caps;
};

// False when the interfaces cannot be listed at all.
bool Enumerate(HidPlatform& hid, std::vector<Interface>& out) {
    const Handle list = hid.OpenInterfaceList();
    if (list == kInvalidHandle) return false;
    std::string path;
    for (std::uint32_t i = 0; hid.EnumInterface(list, i, path); ++i) {
        Interface item;
        item.path = path;
        const Handle h = hid.OpenForQuery(path);
        item.port = hid.InterfacePort(list, i);
        if (item.port.empty()) item.port = "?";
        item.queried = h != kInvalidHandle && hid.GetAttributes(h, item.a);
        if (item.queried) item.hasCaps = hid.GetCaps(h, item.caps);
        hid.CloseHandle(h);
        out.push_back(item);
    }
    hid.DestroyInterfaceList(list);
    return true;
}

void PrintText(const std::vector<Interface>& found) {
    for (const Interface& i : found) {
        if (!i.queried) {
            std::printf("%s  port %s  (cannot be queried)\n", i.path.c_str(), i.port.c_str());
            continue;
        }
        std::printf("%s  port %s  %s  usage %04X:%04X  in %u out %u%s\n", i.path.c_str(),
                    i.port.c_str(), schema::UsbId(i.a.vendorId, i.a.productId).c_str(),
                    i.hasCaps ? i.caps.usagePage : 0, i.hasCaps ? i.caps.usage : 0,
                    i.caps.inputReportByteLength, i.caps.outputReportByteLength,
                    IsFamily(i.a) ? "  family" : "");
    }
    if (found.empty()) std::printf("no HID interfaces present\n");
}

schema::JsonObject Document(const std::vector<Interface>& found) {
    std::vector<schema::ListedInterface> listed;
    for (const Interface& i : found) {
        listed.push_back({i.path, i.port, i.queried, i.a.vendorId, i.a.productId,
                          static_cast<std::uint32_t>(i.hasCaps ? i.caps.usagePage : 0),
                          static_cast<std::uint32_t>(i.hasCaps ? i.caps.usage : 0),
                          i.caps.inputReportByteLength, i.caps.outputReportByteLength,
                          IsFamily(i.a)});
    }
    return schema::ListDocument(listed);
}

class List : public Command {
  public:
    explicit List(CLI::App& app)
        : Command(app.add_subcommand("list", "list the HID interfaces, marking the family's")) {
        sub_->footer(
            "Prints one line per HID interface present: path, port (the physical place of its\n"
            "device, \"?\" when unknown), VID:PID, usage page and usage,\n"
            "input and output report lengths (report-ID byte included), and \"family\" on the\n"
            "interfaces of the device family (VID 0581, or 1EAB:3303). With --simulate it lists\n"
            "the simulated bus of SCENARIO.json, or one default simulated device. With --json it\n"
            "prints one JSON document instead.\n"
            "\n"
            "Exit codes: 0 listed; 2 the command line or the scenario cannot be used; 4 the\n"
            "interfaces cannot be listed.");
        simulate_ = sub_->add_option("--simulate", options_.scenario,
                                     "list simulated devices instead of real ones")
                        ->expected(0, 1)
                        ->type_name("[SCENARIO.json]");
        sub_->add_flag("--json", json_, "one JSON document on standard output");
    }

    int Run() override {
        options_.program = "quillon list";
        options_.simulate = simulate_->count() > 0;
        options_.virtualTime = true;
        RunSetup setup;
        std::string error;
        std::vector<Interface> found;
        if (!setup.Open(options_, error)) return Fail(kExitUsage, error);
        // As for an update that finds no device: nothing was sent.
        if (!Enumerate(setup.Hid(), found)) {
            return Fail(kExitNoDevice, "the HID interfaces cannot be listed");
        }
        if (json_) {
            std::mutex lock;
            schema::JsonLines(stdout, lock).Write(Document(found));
        } else {
            PrintText(found);
        }
        return kExitOk;
    }

  private:
    int Fail(int code, const std::string& error) { return Command::Fail(code, error, json_); }

    RunOptions options_;
    CLI::Option* simulate_;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> DefineList(CLI::App& app) {
    return std::make_unique<List>(app);
}

}  // namespace quillon::cli
