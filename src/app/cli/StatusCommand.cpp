// quillon status: every device of the family on this PC, whether it runs its application or waits
// in its boot loader, and what file reaches a waiting one; nothing that changes a device is sent.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

#include "app/RunSetup.h"
#include "app/SurveyWords.h"
#include "app/cli/Commands.h"
#include "app/cli/HexText.h"
#include "app/cli/TextColumns.h"
#include "app/cli/VirtualTime.h"
#include "app/schema/Documents.h"
#include "app/schema/JsonLines.h"
#include "app/schema/RunObjects.h"

namespace quillon::cli {

namespace {

constexpr std::size_t kTableColumns = 80;
constexpr std::size_t kGap = 2;

int ExitCodeOf(const std::vector<SurveyedDevice>& devices) {
    if (devices.empty()) return kExitNoDevice;
    for (const SurveyedDevice& d : devices) {
        if (d.mode != DeviceMode::kApplication) return kExitFailed;
    }
    return kExitOk;
}

std::string ModelWords(const SurveyedDevice& d) {
    return d.model ? ModelValue(*d.model) : "?";
}

std::string NeedsWords(const SurveyedDevice& d) {
    if (d.mode != DeviceMode::kBootLoader) return "";
    return d.needs ? NeededFileWords(*d.needs) : "no file known to reach it";
}

// One row a device under a heading, within 80 columns: the port gives way first, cut from the
// front, as ports differ in their last part.
void PrintTable(const std::vector<SurveyedDevice>& devices) {
    using Row = std::vector<std::string>;
    std::vector<Row> rows = {{"PORT", "USB", "MODE", "MODEL", "NEEDS"}};
    for (const SurveyedDevice& d : devices) {
        rows.push_back({PlaceOf(d), schema::UsbId(d.vid, d.pid), ModeWords(d.mode), ModelWords(d),
                        NeedsWords(d)});
    }
    std::vector<std::size_t> width(rows.front().size(), 0);
    for (const Row& r : rows) {
        for (std::size_t c = 0; c < r.size(); ++c)
            width[c] = std::max(width[c], DisplayColumns(r[c]));
    }
    std::size_t others = 0;
    for (std::size_t c = 1; c < width.size(); ++c) others += width[c] + kGap;
    const std::size_t room = kTableColumns > others + 4 ? kTableColumns - others : 4;
    width[0] = std::min(width[0], room - kGap);
    for (const Row& r : rows) {
        std::string line = PadColumns(FitColumns(r[0], width[0], true), width[0] + kGap);
        for (std::size_t c = 1; c + 1 < r.size(); ++c) line += PadColumns(r[c], width[c] + kGap);
        line += r.back();
        line.erase(line.find_last_not_of(' ') + 1);
        std::printf("%s\n", line.c_str());
    }
}

void PrintSummary(const std::vector<SurveyedDevice>& devices) {
    if (devices.empty()) {
        std::printf("no device of the family found\n");
        return;
    }
    std::size_t running = 0, waiting = 0, silent = 0;
    for (const SurveyedDevice& d : devices) {
        running += d.mode == DeviceMode::kApplication;
        waiting += d.mode == DeviceMode::kBootLoader;
        silent += d.mode == DeviceMode::kUnknown;
    }
    std::printf("%zu device%s: %zu in its application, %zu waiting in its boot loader",
                devices.size(), devices.size() == 1 ? "" : "s", running, waiting);
    if (silent != 0) std::printf(", %zu not answering", silent);
    std::printf("\n");
}

class Status : public Command {
  public:
    explicit Status(CLI::App& app)
        : Command(app.add_subcommand("status", "tell which devices wait in their boot loader")) {
        sub_->footer(
            "Lists every device of the family on this PC (or at the ports given): its port, USB\n"
            "identity, mode (its application, or its boot loader: from its identity and, where\n"
            "that is the same in both, from what the device answers), the model value it\n"
            "reports, and for a device waiting in its boot loader the firmware file that\n"
            "reaches it (\"a type-1 file of model 3\"). Only the queries that ask a device what\n"
            "it is are sent: nothing switches, erases, writes or starts a device. A table that\n"
            "fits 80 columns is printed, the port cut from the front where it must be, then\n"
            "one line of counts. With --json it prints one JSON document instead.\n"
            "\n"
            "Exit codes: 0 every device runs its application; 1 a device waits in its boot\n"
            "loader or does not answer; 2 the command line or the scenario cannot be used;\n"
            "4 no device of the family is present, or none is at a port given.");
        sub_->add_option("--port", ports_, "only the device at PORT (repeatable)")
            ->type_name("PORT")
            ->allow_extra_args(false);
        simulate_ = AddSimulation(options_, "simulated devices: the scenario's, or one default");
        sub_->add_flag("--json", json_, "one JSON document on standard output");
    }

    int Run() override {
        options_.program = "quillon status";
        options_.simulate = simulate_->count() > 0;
        RunSetup setup;
        std::string error;
        if (!setup.Open(options_, error)) return Fail(kExitUsage, error);
        const std::string missing = NoDeviceAtPorts(setup.Base(), ports_);
        if (!missing.empty()) return Fail(kExitNoDevice, missing);
        const auto started = std::chrono::steady_clock::now();
        std::vector<SurveyedDevice> devices;
        if (!SurveyDevices(setup.Hid(), devices, ports_)) {
            return Fail(kExitNoDevice, "the HID interfaces cannot be listed");
        }
        const int code = ExitCodeOf(devices);
        if (json_) {
            std::mutex lock;
            schema::JsonLines(stdout, lock).Write(schema::InventoryDocument(devices, code));
        } else {
            if (!devices.empty()) PrintTable(devices);
            PrintSummary(devices);
        }
        TellVirtualTime(setup, options_.virtualTime, started);
        return code;
    }

  private:
    int Fail(int code, const std::string& error) { return Command::Fail(code, error, json_); }

    RunOptions options_;
    std::vector<std::string> ports_;
    CLI::Option* simulate_;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> DefineStatus(CLI::App& app) {
    return std::make_unique<Status>(app);
}

}  // namespace quillon::cli
