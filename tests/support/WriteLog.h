// A platform wrapper for tests that keeps every output report written, in order.
#pragma once

#include <cstdint>
#include <vector>

#include "hid/HidPlatform.h"

namespace quillon::test {

class WriteLog : public HidPlatform {
  public:
    explicit WriteLog(HidPlatform& inner) : inner_(inner) {}

    const std::vector<std::vector<std::uint8_t>>& Writes() const { return writes_; }
    const std::vector<std::uint8_t>& Last() const { return writes_.back(); }
    void Clear() { writes_.clear(); }

    Handle OpenInterfaceList() override { return inner_.OpenInterfaceList(); }
    bool EnumInterface(Handle l, std::uint32_t i, std::string& p) override {
        return inner_.EnumInterface(l, i, p);
    }
    void DestroyInterfaceList(Handle l) override { inner_.DestroyInterfaceList(l); }
    Handle OpenForQuery(const std::string& p) override { return inner_.OpenForQuery(p); }
    Handle OpenSynchronous(const std::string& p) override { return inner_.OpenSynchronous(p); }
    Handle OpenOverlapped(const std::string& p) override { return inner_.OpenOverlapped(p); }
    bool GetAttributes(Handle d, HidAttributes& a) override { return inner_.GetAttributes(d, a); }
    bool GetCaps(Handle d, HidCaps& c) override { return inner_.GetCaps(d, c); }
    Handle CreateTransferEvent() override { return inner_.CreateTransferEvent(); }
    void CloseHandle(Handle h) override { inner_.CloseHandle(h); }
    TransferStart StartWrite(Handle d, const std::uint8_t* data, std::size_t len,
                             Overlapped& r) override {
        writes_.emplace_back(data, data + len);
        return inner_.StartWrite(d, data, len, r);
    }
    TransferStart StartRead(Handle d, std::uint8_t* data, std::size_t len, Overlapped& r) override {
        return inner_.StartRead(d, data, len, r);
    }
    WaitOutcome WaitTransfer(Handle e, std::uint32_t t) override {
        return inner_.WaitTransfer(e, t);
    }
    void CancelTransfer(Handle d) override { inner_.CancelTransfer(d); }
    void Sleep(std::uint32_t ms) override { inner_.Sleep(ms); }
    std::uint64_t NowMs() override { return inner_.NowMs(); }

  private:
    HidPlatform& inner_;
    std::vector<std::vector<std::uint8_t>> writes_;
};

}  // namespace quillon::test
