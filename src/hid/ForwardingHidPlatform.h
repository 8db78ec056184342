// A platform layer that passes every call to another one; wrappers override what they watch.
#pragma once

#include "hid/HidPlatform.h"

namespace quillon {

class ForwardingHidPlatform : public HidPlatform {
  public:
    explicit ForwardingHidPlatform(HidPlatform& inner) : inner_(&inner) {}

    Handle OpenInterfaceList() override { return inner_->OpenInterfaceList(); }
    bool EnumInterface(Handle list, std::uint32_t index, std::string& path) override {
        return inner_->EnumInterface(list, index, path);
    }
    void DestroyInterfaceList(Handle list) override { inner_->DestroyInterfaceList(list); }
    std::string InterfacePort(Handle list, std::uint32_t index) override {
        return inner_->InterfacePort(list, index);
    }
    Handle OpenForQuery(const std::string& path) override { return inner_->OpenForQuery(path); }
    Handle OpenSynchronous(const std::string& path) override {
        return inner_->OpenSynchronous(path);
    }
    Handle OpenOverlapped(const std::string& path) override { return inner_->OpenOverlapped(path); }
    bool GetAttributes(Handle device, HidAttributes& attributes) override {
        return inner_->GetAttributes(device, attributes);
    }
    bool GetCaps(Handle device, HidCaps& caps) override { return inner_->GetCaps(device, caps); }
    Handle CreateTransferEvent() override { return inner_->CreateTransferEvent(); }
    void CloseHandle(Handle handle) override { inner_->CloseHandle(handle); }
    TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                             Overlapped& record) override {
        return inner_->StartWrite(device, data, len, record);
    }
    TransferStart StartRead(Handle device, std::uint8_t* data, std::size_t len,
                            Overlapped& record) override {
        return inner_->StartRead(device, data, len, record);
    }
    WaitOutcome WaitTransfer(Handle event, std::uint32_t timeoutMs) override {
        return inner_->WaitTransfer(event, timeoutMs);
    }
    void CancelTransfer(Handle device) override { inner_->CancelTransfer(device); }
    bool TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) override {
        return inner_->TakeQueuedReport(device, data, len);
    }
    void ReportDropped(Handle device, const std::uint8_t* data, std::size_t len) override {
        inner_->ReportDropped(device, data, len);
    }
    std::string LastError() override { return inner_->LastError(); }
    void Sleep(std::uint32_t ms) override { inner_->Sleep(ms); }
    std::uint64_t NowMs() override { return inner_->NowMs(); }

  protected:
    // For a wrapper whose inner layer is replaced while no run uses it.
    void Retarget(HidPlatform& inner) { inner_ = &inner; }

    HidPlatform* inner_;
};

}  // namespace quillon
