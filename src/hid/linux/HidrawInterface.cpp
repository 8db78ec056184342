#include "hid/linux/HidrawInterface.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "hid/linux/HidrawErrors.h"

namespace quillon::hidraw {

namespace {

using Steady = std::chrono::steady_clock;

// The largest report the kernel hands over in one read.
constexpr std::size_t kMaxReportSize = 16384;

bool Contains(const std::vector<std::uint8_t>& ids, std::uint8_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

HidrawInterface::HidrawInterface(HidrawTarget target, UniqueFd fd, bool transfers)
    : target_(std::move(target)), fd_(std::move(fd)) {
    if (!transfers) return;
    writer_ = std::make_unique<ReportWriter>(fd_.Get());
    scratch_.resize(kMaxReportSize);
}

void HidrawInterface::Note(int err) {
    why_ = err == 0 ? std::string() : ErrnoText(err);
}

bool HidrawInterface::Attributes(HidAttributes& attributes) {
    attributes = target_.attributes;
    return true;
}

bool HidrawInterface::Caps(HidCaps& caps) {
    caps = {target_.collection.usage, target_.collection.usagePage, target_.collection.inputLength,
            target_.collection.outputLength};
    return true;
}

TransferStart HidrawInterface::Write(const std::uint8_t* data, std::size_t len) {
    // As on Windows, a collection takes only its own output reports (ID 0 without IDs).
    if (!Contains(target_.collection.outputIds, data[0])) {
        Note(0);
        return TransferStart::kFailed;
    }
    pollfd p{fd_.Get(), POLLOUT, 0};
    if (::poll(&p, 1, 0) > 0 && PollSaysGone(p.revents)) {
        // What hidraw answers a write on a vanished device.
        Note(ENODEV);
        return TransferStart::kDeviceGone;
    }
    if (!writer_->Start(data, len)) {
        Note(0);
        return TransferStart::kFailed;
    }
    return TransferStart::kPending;
}

WaitOutcome HidrawInterface::WaitWrite(std::uint32_t timeoutMs) {
    if (!writer_->WaitEnded(Steady::now() + std::chrono::milliseconds(timeoutMs))) {
        return WaitOutcome::kTimedOut;
    }
    const int error = writer_->Error();
    if (error == 0) return WaitOutcome::kCompleted;
    // A write the kernel cut short has no errno.
    Note(error > 0 ? error : 0);
    return WaitOutcome::kFailed;
}

HidrawInterface::ReadResult HidrawInterface::ReadOne(std::uint8_t* buffer, std::size_t len) {
    for (;;) {
        pollfd p{fd_.Get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, 0);
        if (ready < 0) {
            if (errno == EINTR) continue;
            Note(errno);
            return ReadResult::kFailed;
        }
        if (ready == 0) return ReadResult::kNothing;
        // Reports the device sent before it vanished are still there to be read.
        if ((p.revents & POLLIN) == 0) {
            const bool gone = PollSaysGone(p.revents);
            // What hidraw answers a read on a vanished device.
            Note(gone ? EIO : 0);
            return gone ? ReadResult::kGone : ReadResult::kFailed;
        }
        const ssize_t n = ::read(fd_.Get(), scratch_.data(), scratch_.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            const int err = errno;
            Note(err);
            return OutcomeOfErrno(err) == TransferStart::kDeviceGone ? ReadResult::kGone
                                                                     : ReadResult::kFailed;
        }
        if (n == 0) return ReadResult::kNothing;
        const std::size_t got = static_cast<std::size_t>(n);
        // The node carries the reports of every collection of the device; only this
        // collection's belong to this interface.
        if (target_.numbered && !Contains(target_.collection.inputIds, scratch_[0])) continue;
        // Without report IDs the kernel hands over the bare report: a 0 in front keeps the byte
        // offsets as with IDs.
        const std::size_t lead = target_.numbered ? 0 : 1;
        const std::size_t copied = std::min(got, len - lead);
        if (lead != 0) buffer[0] = 0;
        std::memcpy(buffer + lead, scratch_.data(), copied);
        std::memset(buffer + lead + copied, 0, len - lead - copied);
        return ReadResult::kGot;
    }
}

TransferStart HidrawInterface::Read(std::uint8_t* data, std::size_t len) {
    switch (ReadOne(data, len)) {
        case ReadResult::kGot:
            return TransferStart::kDone;
        case ReadResult::kGone:
            return TransferStart::kDeviceGone;
        case ReadResult::kFailed:
            return TransferStart::kFailed;
        case ReadResult::kNothing:
            break;
    }
    return TransferStart::kPending;
}

bool HidrawInterface::Drain(std::uint8_t* data, std::size_t len) {
    // ReadOne never waits: it takes a report only when poll() says one is there.
    return ReadOne(data, len) == ReadResult::kGot;
}

WaitOutcome HidrawInterface::WaitRead(std::uint8_t* data, std::size_t len,
                                      std::uint32_t timeoutMs) {
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        switch (ReadOne(data, len)) {
            case ReadResult::kGot:
                return WaitOutcome::kCompleted;
            case ReadResult::kGone:
            case ReadResult::kFailed:
                return WaitOutcome::kFailed;
            case ReadResult::kNothing:
                break;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now());
        if (left.count() <= 0) return WaitOutcome::kTimedOut;
        pollfd p{fd_.Get(), POLLIN, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(left.count()));
        if (rc < 0 && errno != EINTR) {
            Note(errno);
            return WaitOutcome::kFailed;
        }
        if (rc > 0 && (p.revents & POLLIN) == 0 && PollSaysGone(p.revents)) {
            Note(EIO);
            return WaitOutcome::kFailed;
        }
    }
}

}  // namespace quillon::hidraw
