// The HID platform a front end runs on, decided in one place from one set of options: the
// operating system's backend, or the simulated bus (the devices of a scenario file, or one device
// fitted to the firmware file), on real or virtual time, with every event on the link traced to a
// file when asked.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "hid/HidPlatform.h"
#include "hid/TracingHidPlatform.h"
#include "sim/Scenario.h"
#include "sim/SimulatedBus.h"

namespace quillon {

struct RunOptions {
    std::string program = "quillon";  // names the program in what it says on standard error
    bool simulate = false;
    std::string scenario;      // with simulate: a scenario file; empty: one fitted device
    std::string firmware;      // the file the run is for, when known before it starts
    bool virtualTime = false;  // with simulate: time jumps instead of passing
    std::string tracePath;     // when set: every event on the link is written to this file
};

// The simulated devices of the options: the scenario file's; else one device that fits the
// firmware file; else (no file, or a file the loader refuses: then refusal holds its text) one
// default device. False, with error naming the file and the fault, only for a scenario file
// that cannot be read.
bool SimulatedDevices(const RunOptions& options, sim::Scenario& out, std::string& refusal,
                      std::string& error);

class RunSetup {
  public:
    RunSetup() = default;
    RunSetup(const RunSetup&) = delete;
    RunSetup& operator=(const RunSetup&) = delete;
    ~RunSetup();

    // Makes the platform; false with error saying why (a scenario file that cannot be read, no
    // backend in this build, a trace file that cannot be written).
    bool Open(const RunOptions& options, std::string& error);

    HidPlatform& Hid() { return *hid_; }
    // The simulated bus, or null on the operating system's backend.
    sim::SimulatedBus* Bus() { return bus_.get(); }
    // Before each run of the firmware file at path: a simulated bus without a scenario makes its
    // one device fit the file. Call only while no run uses the platform.
    void FitTo(const std::string& firmwarePath);

  private:
    std::unique_ptr<sim::SimulatedBus> bus_;
    std::unique_ptr<HidPlatform> system_;
    std::FILE* traceFile_ = nullptr;
    std::unique_ptr<TracingHidPlatform> tracer_;
    HidPlatform* hid_ = nullptr;
};

}  // namespace quillon
