#include "hid/TracingHidPlatform.h"

#include <cinttypes>

namespace quillon {

void TracingHidPlatform::Line(const char* what, const std::string& detail) {
    std::fprintf(out_, "%" PRIu64 " %s%s%s\n", inner_->NowMs(), what, detail.empty() ? "" : " ",
                 detail.c_str());
}

void TracingHidPlatform::Bytes(const char* what, const std::uint8_t* data, std::size_t len) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(len * 2);
    for (std::size_t i = 0; i < len; ++i) {
        hex.push_back(kHex[data[i] >> 4]);
        hex.push_back(kHex[data[i] & 0xF]);
    }
    Line(what, hex);
}

std::string TracingHidPlatform::Because() {
    const std::string why = inner_->LastError();
    return why.empty() ? why : ": " + why;
}

void TracingHidPlatform::Failed(const char* what, const std::string& detail) {
    const std::string why = inner_->LastError();
    if (!why.empty()) Line(what, detail.empty() ? why : detail + ": " + why);
}

Handle TracingHidPlatform::Opened(Handle h, const std::string& path) {
    if (h != kInvalidHandle) {
        paths_[h] = path;
        Line("open", path);
    } else {
        Failed("open-failed", path);
    }
    return h;
}

Handle TracingHidPlatform::OpenInterfaceList() {
    const Handle list = inner_->OpenInterfaceList();
    if (list == kInvalidHandle) Failed("list-failed", "");
    return list;
}

Handle TracingHidPlatform::OpenForQuery(const std::string& path) {
    return Opened(inner_->OpenForQuery(path), path);
}
Handle TracingHidPlatform::OpenSynchronous(const std::string& path) {
    return Opened(inner_->OpenSynchronous(path), path);
}
Handle TracingHidPlatform::OpenOverlapped(const std::string& path) {
    return Opened(inner_->OpenOverlapped(path), path);
}

void TracingHidPlatform::CloseHandle(Handle handle) {
    const auto it = paths_.find(handle);
    if (it != paths_.end()) {
        Line("close", it->second);
        paths_.erase(it);
    }
    inner_->CloseHandle(handle);
}

void TracingHidPlatform::Gone(Handle device) {
    const auto it = paths_.find(device);
    Line("gone", (it == paths_.end() ? std::string("?") : it->second) + Because());
}

TransferStart TracingHidPlatform::StartWrite(Handle device, const std::uint8_t* data,
                                             std::size_t len, Overlapped& record) {
    Bytes("write", data, len);
    const TransferStart r = inner_->StartWrite(device, data, len, record);
    if (r == TransferStart::kDeviceGone) Gone(device);
    if (r == TransferStart::kFailed) Failed("write-failed", "");
    if (r == TransferStart::kPending) pending_[record.hEvent] = {true, device, data, len};
    return r;
}

TransferStart TracingHidPlatform::StartRead(Handle device, std::uint8_t* data, std::size_t len,
                                            Overlapped& record) {
    const TransferStart r = inner_->StartRead(device, data, len, record);
    if (r == TransferStart::kDone) Bytes("read", data, len);
    if (r == TransferStart::kDeviceGone) Gone(device);
    if (r == TransferStart::kFailed) Failed("read-failed", "");
    if (r == TransferStart::kPending) pending_[record.hEvent] = {false, device, data, len};
    return r;
}

WaitOutcome TracingHidPlatform::WaitTransfer(Handle event, std::uint32_t timeoutMs) {
    const WaitOutcome r = inner_->WaitTransfer(event, timeoutMs);
    const auto it = pending_.find(event);
    if (it == pending_.end()) return r;
    const PendingTransfer p = it->second;
    pending_.erase(it);
    switch (r) {
        case WaitOutcome::kCompleted:
            if (!p.write) Bytes("read", p.data, p.len);
            break;
        case WaitOutcome::kTimedOut:
            Line(p.write ? "write-timeout" : "read-timeout", "");
            break;
        case WaitOutcome::kFailed:
            Gone(p.device);
            break;
    }
    return r;
}

bool TracingHidPlatform::TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) {
    const bool taken = inner_->TakeQueuedReport(device, data, len);
    if (taken) Bytes("stale", data, len);
    return taken;
}

void TracingHidPlatform::ReportDropped(Handle device, const std::uint8_t* data, std::size_t len) {
    Bytes("stale", data, len);
    inner_->ReportDropped(device, data, len);
}

}  // namespace quillon
