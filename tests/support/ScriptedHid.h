// A platform for transport and command tests: each transfer's start and wait outcome is
// scripted, reads deliver scripted answers, and waits advance a virtual clock by what they cost.
#pragma once

#include <cstring>
#include <deque>
#include <vector>

#include "hid/HidPlatform.h"

namespace quillon::test {

class ScriptedHid : public HidPlatform {
  public:
    struct Step {
        TransferStart start = TransferStart::kDone;
        WaitOutcome wait = WaitOutcome::kCompleted;
        std::vector<std::uint8_t> answer;  // reads: copied into the buffer when it completes
        bool garbageOnFailure = false;     // reads: scribble on the buffer before failing
    };

    std::deque<Step> writes, reads;  // consumed in order; empty means "done at once"
    // Input reports already waiting on the device, taken before the next read would see them.
    std::deque<std::vector<std::uint8_t>> queued;
    std::vector<std::size_t> writeLengths, readLengths;
    std::vector<std::vector<std::uint8_t>> written;
    int cancels = 0;
    std::vector<Handle> closed;
    std::uint64_t now = 0;

    // An answer with this status at byte 2 and data from byte 4.
    static std::vector<std::uint8_t> Answer(std::uint8_t status,
                                            std::vector<std::uint8_t> data = {}) {
        std::vector<std::uint8_t> a(64, 0);
        a[0] = 0xBA;
        a[2] = status;
        std::copy(data.begin(), data.end(), a.begin() + 4);
        return a;
    }

    Handle OpenInterfaceList() override { return kInvalidHandle; }
    bool EnumInterface(Handle, std::uint32_t, std::string&) override { return false; }
    void DestroyInterfaceList(Handle) override {}
    Handle OpenForQuery(const std::string&) override { return 10; }
    Handle OpenSynchronous(const std::string&) override { return 11; }
    Handle OpenOverlapped(const std::string&) override { return 12; }
    bool GetAttributes(Handle, HidAttributes&) override { return false; }
    bool GetCaps(Handle, HidCaps&) override { return false; }
    Handle CreateTransferEvent() override { return 13; }
    void CloseHandle(Handle h) override { closed.push_back(h); }

    TransferStart StartWrite(Handle, const std::uint8_t* data, std::size_t len,
                             Overlapped&) override {
        writeLengths.push_back(len);
        written.emplace_back(data, data + len);
        current_ = Take(writes);
        currentIsRead_ = false;
        return current_.start;
    }
    TransferStart StartRead(Handle, std::uint8_t* data, std::size_t len, Overlapped&) override {
        readLengths.push_back(len);
        current_ = Take(reads);
        currentIsRead_ = true;
        buffer_ = data;
        len_ = len;
        if (current_.start == TransferStart::kDone) Fill();
        if (current_.start != TransferStart::kDone && current_.garbageOnFailure) {
            std::memset(data, 0xEE, len);
        }
        return current_.start;
    }
    WaitOutcome WaitTransfer(Handle, std::uint32_t timeoutMs) override {
        if (current_.wait == WaitOutcome::kTimedOut) now += timeoutMs;
        if (current_.wait == WaitOutcome::kCompleted && currentIsRead_) Fill();
        return current_.wait;
    }
    void CancelTransfer(Handle) override { ++cancels; }
    bool TakeQueuedReport(Handle, std::uint8_t* data, std::size_t len) override {
        if (queued.empty()) return false;
        std::memcpy(data, queued.front().data(), std::min(len, queued.front().size()));
        queued.pop_front();
        return true;
    }
    void Sleep(std::uint32_t ms) override { now += ms; }
    std::uint64_t NowMs() override { return now; }

  private:
    static Step Take(std::deque<Step>& q) {
        if (q.empty()) return Step{};
        Step s = q.front();
        q.pop_front();
        return s;
    }
    void Fill() {
        if (current_.answer.empty()) return;
        std::memcpy(buffer_, current_.answer.data(), std::min(len_, current_.answer.size()));
    }

    Step current_;
    bool currentIsRead_ = false;
    std::uint8_t* buffer_ = nullptr;
    std::size_t len_ = 0;
};

}  // namespace quillon::test
