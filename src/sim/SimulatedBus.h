// The simulated bus a front end runs against with --simulate: the devices of a scenario file, or
// one device that fits the firmware file being updated; in real time each report takes 1 ms.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "hid/HidPlatform.h"
#include "sim/SimPlatform.h"
#include "state/SharedState.h"

namespace quillon::sim {

// Loads a firmware file into scratch without telling the operator anything, to learn which
// device it is for. False when the loader refuses it.
bool PreloadFirmware(const std::string& path, SharedState& scratch);

class SimulatedBus : public HidPlatform {
  public:
    explicit SimulatedBus(bool virtualTime);

    // Puts the scenario's devices on the bus; false with a message naming the fault.
    bool UseScenarioFile(const std::string& path, std::string& error);
    bool HasScenario() const { return scenario_; }
    // Without a scenario: makes the bus hold one device that fits the loaded file. The device
    // stays (with its flash) while files for the same model follow; a file for another model
    // gets a fresh bus. Call only while no run uses the bus.
    void FitTo(const SharedState& loaded);

    SimPlatform& Platform() { return *platform_; }

    Handle OpenInterfaceList() override { return platform_->OpenInterfaceList(); }
    bool EnumInterface(Handle list, std::uint32_t index, std::string& path) override {
        return platform_->EnumInterface(list, index, path);
    }
    void DestroyInterfaceList(Handle list) override { platform_->DestroyInterfaceList(list); }
    Handle OpenForQuery(const std::string& path) override { return platform_->OpenForQuery(path); }
    Handle OpenSynchronous(const std::string& path) override {
        return platform_->OpenSynchronous(path);
    }
    Handle OpenOverlapped(const std::string& path) override {
        return platform_->OpenOverlapped(path);
    }
    bool GetAttributes(Handle device, HidAttributes& attributes) override {
        return platform_->GetAttributes(device, attributes);
    }
    bool GetCaps(Handle device, HidCaps& caps) override { return platform_->GetCaps(device, caps); }
    Handle CreateTransferEvent() override { return platform_->CreateTransferEvent(); }
    void CloseHandle(Handle handle) override { platform_->CloseHandle(handle); }
    TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                             Overlapped& record) override {
        return platform_->StartWrite(device, data, len, record);
    }
    TransferStart StartRead(Handle device, std::uint8_t* data, std::size_t len,
                            Overlapped& record) override {
        return platform_->StartRead(device, data, len, record);
    }
    WaitOutcome WaitTransfer(Handle event, std::uint32_t timeoutMs) override {
        return platform_->WaitTransfer(event, timeoutMs);
    }
    void CancelTransfer(Handle device) override { platform_->CancelTransfer(device); }
    void Sleep(std::uint32_t ms) override { platform_->Sleep(ms); }
    std::uint64_t NowMs() override { return platform_->NowMs(); }

  private:
    void Add(SimDeviceConfig config);

    bool virtualTime_;
    bool scenario_ = false;
    bool fitted_ = false;
    std::uint32_t fittedModel_ = 0;
    std::unique_ptr<SimPlatform> platform_;
};

}  // namespace quillon::sim
