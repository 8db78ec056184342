// The HID platform a front end runs on, decided in one place from one set of options: the
// operating system's backend, or the simulated bus (the devices of a scenario file, or one device
// fitted to the firmware file), on real or virtual time, with every event on the link traced to a
// file when asked.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "hid/PortView.h"
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
    std::string port;          // when set: the run sees only the interfaces at this port
    // Without a port: refuse a firmware file that fits devices at two or more ports, and pin the
    // run to the one port where devices fit, so that a restarted device is found where it was.
    bool pinToFittingPort = false;
};

// The simulated devices of the options: the scenario file's; else one device that fits the
// firmware file; else (no file, or a file the loader refuses: then refusal holds its text) one
// default device. False, with error naming the file and the fault, only for a scenario file
// that cannot be read.
bool SimulatedDevices(const RunOptions& options, sim::Scenario& out, std::string& refusal,
                      std::string& error);

// For the ports a user named: empty when every one of them has a device, else what to tell
// ("no device at port P (ports seen: A, B)"), so that a mistyped port is not taken for an
// unplugged device.
std::string NoDeviceAtPorts(HidPlatform& hid, const std::vector<std::string>& ports);

class RunSetup {
  public:
    RunSetup() = default;
    RunSetup(const RunSetup&) = delete;
    RunSetup& operator=(const RunSetup&) = delete;
    ~RunSetup();

    // Makes the platform; false with error saying why (a scenario file that cannot be read, no
    // backend in this build, a trace file that cannot be written, devices that fit the file at
    // several ports: then Ambiguous() is true; no device at the port given: then
    // NoDeviceAtPort() is true).
    bool Open(const RunOptions& options, std::string& error);
    bool Ambiguous() const { return ambiguous_; }
    bool NoDeviceAtPort() const { return noDeviceAtPort_; }

    // What the run works through: the platform, seen through the port and the trace.
    HidPlatform& Hid() { return *hid_; }
    // The whole bus, under any port view and trace.
    HidPlatform& Base() { return *base_; }
    // A platform that sees only port, for one of several runs at once: over the shared simulated
    // bus, or over a backend of its own, so that parallel runs share nothing but the system.
    std::unique_ptr<HidPlatform> PortPlatform(const std::string& port);
    // The simulated bus's clock when it runs on virtual time (threads that run at once join it),
    // else null.
    sim::SimClock* VirtualClock();
    // The simulated bus, or null on the operating system's backend.
    sim::SimulatedBus* Bus() { return bus_.get(); }
    // Before each run of the firmware file at path: a simulated bus without a scenario makes its
    // one device fit the file. Call only while no run uses the platform.
    void FitTo(const std::string& firmwarePath);

  private:
    // The port the file's devices are at, or false (error set) when they are at several.
    bool PinTo(const RunOptions& options, std::string& port, std::string& error);

    std::string program_;
    bool ambiguous_ = false;
    bool noDeviceAtPort_ = false;
    std::unique_ptr<sim::SimulatedBus> bus_;
    std::unique_ptr<HidPlatform> system_;
    std::FILE* traceFile_ = nullptr;
    std::unique_ptr<PortView> view_;
    std::unique_ptr<TracingHidPlatform> tracer_;
    HidPlatform* base_ = nullptr;
    HidPlatform* hid_ = nullptr;
};

}  // namespace quillon
