// Transfers of the hidraw backend over FIFOs standing in for device nodes: report IDs on the way
// out and in, reports of other collections, waits and time-outs on the platform's clock, a write
// that the kernel holds, the errno mapping, and the notice when a node may not be opened.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "hid/linux/HidrawErrors.h"
#include "hid/linux/HidrawPlatform.h"
#include "support/FakeSysfs.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A composite device on hidraw0 (keyboard under ID 1, the scanner's collection under 0xBA, 63
// data bytes each way) and a device without report IDs on hidraw1 (64 data bytes).
const Bytes kComposite = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x08,
                          0x09, 0x01, 0x81, 0x02, 0x95, 0x01, 0x09, 0x01, 0x91, 0x02, 0xC0, 0x06,
                          0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0xBA, 0x75, 0x08, 0x95, 0x3F,
                          0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
const Bytes kNoIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95,
                      0x40, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};

struct FifoRig {
    FifoRig() {
        sys.AddNode("hidraw0", 0x0581, 0x0115, kComposite);
        sys.AddNode("hidraw1", 0x0581, 0x0111, kNoIds);
        for (const char* n : {"hidraw0", "hidraw1"}) {
            const std::string p = sys.MakeFifo(n);
            // The device's side of the line: what the backend writes comes out here, and what
            // is written here the backend reads.
            far.push_back(::open(p.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        }
        dev = sys.Layout().devRoot;
    }
    ~FifoRig() {
        for (int fd : far) ::close(fd);
    }
    // A channel on an interface of the rig.
    Channel Open(const std::string& path) {
        Channel ch{hid.OpenOverlapped(path), hid.CreateTransferEvent()};
        record.hEvent = ch.hEvent;
        return ch;
    }
    void Feed(int node, const Bytes& report) {
        ASSERT_EQ(::write(far[node], report.data(), report.size()),
                  static_cast<ssize_t>(report.size()));
    }
    // Everything the backend has written so far.
    Bytes Drain(int node) {
        Bytes out;
        std::uint8_t buf[4096];
        ssize_t n;
        while ((n = ::read(far[node], buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
        return out;
    }

    test::FakeSysfs sys;
    std::vector<int> far;
    std::string dev;
    hidraw::HidrawPlatform hid{sys.Layout()};
    Overlapped record;
};

Bytes Report(std::uint8_t id, std::size_t len, std::uint8_t fill) {
    Bytes r(len, fill);
    r[0] = id;
    return r;
}

TEST(HidrawErrors, DeviceGoneOnlyForTheErrorsOfAVanishedDevice) {
    const std::pair<int, TransferStart> cases[] = {
        {ENODEV, TransferStart::kDeviceGone}, {EIO, TransferStart::kDeviceGone},
        {EAGAIN, TransferStart::kFailed},     {EINVAL, TransferStart::kFailed},
        {EPIPE, TransferStart::kFailed},      {EACCES, TransferStart::kFailed},
        {ETIMEDOUT, TransferStart::kFailed},  {ESHUTDOWN, TransferStart::kFailed},
        {EFAULT, TransferStart::kFailed},     {0, TransferStart::kFailed},
    };
    for (const auto& [err, outcome] : cases) {
        EXPECT_EQ(hidraw::OutcomeOfErrno(err), outcome) << err;
    }
    const std::pair<short, bool> polls[] = {
        {POLLOUT, false},
        {POLLIN, false},
        {POLLHUP, true},
        {POLLERR, true},
        {POLLOUT | POLLERR | POLLHUP, true},  // 0x1c, as hidraw says once the device vanished
        {POLLIN | POLLHUP, true},
        {POLLNVAL, false},
    };
    for (const auto& [revents, gone] : polls) {
        EXPECT_EQ(hidraw::PollSaysGone(revents), gone) << revents;
    }
}

TEST(HidrawTransfer, WriteSendsTheReportIdFirst) {
    FifoRig rig;
    Channel ch = rig.Open(rig.dev + "/hidraw0#1");
    ASSERT_NE(ch.hDevice, kInvalidHandle);
    Bytes out = Report(0xBA, 64, 0x11);
    out[1] = 0x64;
    ASSERT_EQ(rig.hid.StartWrite(ch.hDevice, out.data(), out.size(), rig.record),
              TransferStart::kPending);
    out[1] = 0;  // the backend sends its own copy
    EXPECT_EQ(rig.hid.WaitTransfer(ch.hEvent, 4000), WaitOutcome::kCompleted);
    Bytes sent = Report(0xBA, 64, 0x11);
    sent[1] = 0x64;
    EXPECT_EQ(rig.Drain(0), sent);
    EXPECT_EQ(rig.hid.WaitTransfer(ch.hEvent, 0), WaitOutcome::kCompleted);  // signalled
    rig.hid.CloseHandle(ch.hDevice);
    rig.hid.CloseHandle(ch.hEvent);
}

TEST(HidrawTransfer, WritesOfReportsTheCollectionDoesNotHaveAreRefused) {
    FifoRig rig;
    Channel vendor = rig.Open(rig.dev + "/hidraw0#1");
    const Bytes keyboardReport = Report(0x01, 64, 0);
    EXPECT_EQ(rig.hid.StartWrite(vendor.hDevice, keyboardReport.data(), 64, rig.record),
              TransferStart::kFailed);
    EXPECT_EQ(rig.hid.StartWrite(vendor.hDevice, keyboardReport.data(), 0, rig.record),
              TransferStart::kFailed);
    // On the device without IDs only ID 0 is a report of its own.
    Channel bare = rig.Open(rig.dev + "/hidraw1#0");
    const Bytes ba = Report(0xBA, 65, 0);
    EXPECT_EQ(rig.hid.StartWrite(bare.hDevice, ba.data(), 65, rig.record), TransferStart::kFailed);
    const Bytes zero = Report(0x00, 65, 7);
    ASSERT_EQ(rig.hid.StartWrite(bare.hDevice, zero.data(), 65, rig.record),
              TransferStart::kPending);
    EXPECT_EQ(rig.hid.WaitTransfer(bare.hEvent, 4000), WaitOutcome::kCompleted);
    EXPECT_EQ(rig.Drain(1), zero);
    // A held (synchronous) handle carries no transfers.
    const Handle held = rig.hid.OpenSynchronous(rig.dev + "/hidraw0#1");
    ASSERT_NE(held, kInvalidHandle);
    EXPECT_EQ(rig.hid.StartWrite(held, ba.data(), 64, rig.record), TransferStart::kFailed);
    rig.hid.CloseHandle(held);
    rig.hid.CloseHandle(vendor.hDevice);
    rig.hid.CloseHandle(bare.hDevice);
}

TEST(HidrawTransfer, AHeldWriteTimesOutAndCancelReturnsOnlyOnceItEnded) {
    FifoRig rig;
    // Fill the line so that the next write blocks in the kernel.
    ASSERT_GT(::fcntl(rig.far[0], F_SETPIPE_SZ, 4096), 0);
    const Bytes filler(4096, 0x55);
    ASSERT_EQ(::write(rig.far[0], filler.data(), filler.size()), 4096);
    Channel ch = rig.Open(rig.dev + "/hidraw0#1");
    const Bytes out = Report(0xBA, 64, 0x22);
    ASSERT_EQ(rig.hid.StartWrite(ch.hDevice, out.data(), 64, rig.record), TransferStart::kPending);
    const std::uint64_t t0 = rig.hid.NowMs();
    EXPECT_EQ(rig.hid.WaitTransfer(ch.hEvent, 50), WaitOutcome::kTimedOut);
    EXPECT_GE(rig.hid.NowMs() - t0, 50u);
    // The transfer is still pending: a second write on the event is refused.
    EXPECT_EQ(rig.hid.StartWrite(ch.hDevice, out.data(), 64, rig.record), TransferStart::kFailed);

    // The device takes the data only after a while. The wait is timed from before the device
    // starts its pause, so that a slow start of this thread cannot shorten what it measures.
    const std::uint64_t t1 = rig.hid.NowMs();
    Bytes drained;
    std::thread device([&] {
        rig.hid.Sleep(150);
        while (drained.size() < 4096 + 64) {
            const Bytes got = rig.Drain(0);
            drained.insert(drained.end(), got.begin(), got.end());
            if (got.empty()) rig.hid.Sleep(1);
        }
    });
    rig.hid.CancelTransfer(ch.hDevice);
    EXPECT_GE(rig.hid.NowMs() - t1, 150u);  // it waited for the write to end
    device.join();
    EXPECT_EQ(Bytes(drained.end() - 64, drained.end()), out);
    // The writer is free again.
    ASSERT_EQ(rig.hid.StartWrite(ch.hDevice, out.data(), 64, rig.record), TransferStart::kPending);
    EXPECT_EQ(rig.hid.WaitTransfer(ch.hEvent, 4000), WaitOutcome::kCompleted);
    EXPECT_EQ(rig.Drain(0), out);
    rig.hid.CloseHandle(ch.hDevice);
}

TEST(HidrawTransfer, ReadDoneAtOncePendingTimedOutAndCompleted) {
    FifoRig rig;
    Channel ch = rig.Open(rig.dev + "/hidraw0#1");
    Bytes in(64, 0xEE);
    const Bytes answer = Report(0xBA, 64, 0x33);
    rig.Feed(0, answer);
    ASSERT_EQ(rig.hid.StartRead(ch.hDevice, in.data(), 64, rig.record), TransferStart::kDone);
    EXPECT_EQ(in, answer);

    ASSERT_EQ(rig.hid.StartRead(ch.hDevice, in.data(), 64, rig.record), TransferStart::kPending);
    const std::uint64_t t0 = rig.hid.NowMs();
    EXPECT_EQ(rig.hid.WaitTransfer(ch.hEvent, 40), WaitOutcome::kTimedOut);
    EXPECT_GE(rig.hid.NowMs() - t0, 40u);
    const Bytes late = Report(0xBA, 64, 0x44);
    rig.Feed(0, late);
    EXPECT_EQ(rig.hid.WaitTransfer(ch.hEvent, 1000), WaitOutcome::kCompleted);
    EXPECT_EQ(in, late);

    // Cancelled, a read takes nothing: the next report goes to the next read.
    ASSERT_EQ(rig.hid.StartRead(ch.hDevice, in.data(), 64, rig.record), TransferStart::kPending);
    rig.hid.CancelTransfer(ch.hDevice);
    const Bytes next = Report(0xBA, 64, 0x55);
    rig.Feed(0, next);
    Bytes other(64, 0);
    EXPECT_EQ(rig.hid.StartRead(ch.hDevice, other.data(), 64, rig.record), TransferStart::kDone);
    EXPECT_EQ(other, next);
    EXPECT_EQ(in, late);
    rig.hid.CloseHandle(ch.hDevice);
}

TEST(HidrawTransfer, ReportsOfOtherCollectionsAreNotThisInterfaces) {
    FifoRig rig;
    Channel vendor = rig.Open(rig.dev + "/hidraw0#1");
    Bytes in(64, 0);
    rig.Feed(0, Report(0x01, 9, 0x77));  // a key press on the keyboard collection
    ASSERT_EQ(rig.hid.StartRead(vendor.hDevice, in.data(), 64, rig.record),
              TransferStart::kPending);
    const Bytes answer = Report(0xBA, 64, 0x66);
    rig.Feed(0, answer);
    EXPECT_EQ(rig.hid.WaitTransfer(vendor.hEvent, 1000), WaitOutcome::kCompleted);
    EXPECT_EQ(in, answer);
    // And the keyboard's interface takes its own.
    Channel keyboard = rig.Open(rig.dev + "/hidraw0#0");
    const Bytes key = Report(0x01, 9, 0x78);
    rig.Feed(0, key);
    Bytes k(9, 0);
    EXPECT_EQ(rig.hid.StartRead(keyboard.hDevice, k.data(), 9, rig.record), TransferStart::kDone);
    EXPECT_EQ(k, key);
    rig.hid.CloseHandle(vendor.hDevice);
    rig.hid.CloseHandle(keyboard.hDevice);
}

TEST(HidrawTransfer, QueuedReportsAreTakenWithoutWaiting) {
    FifoRig rig;
    Channel vendor = rig.Open(rig.dev + "/hidraw0#1");
    Bytes in(64, 0);
    // A take that waited for a report would hang here.
    EXPECT_FALSE(rig.hid.TakeQueuedReport(vendor.hDevice, in.data(), 64));
    rig.Feed(0, Report(0x01, 9, 0x77));  // the keyboard's, not this interface's
    EXPECT_FALSE(rig.hid.TakeQueuedReport(vendor.hDevice, in.data(), 64));
    const Bytes stale = Report(0xBA, 64, 0x55);
    rig.Feed(0, stale);
    EXPECT_TRUE(rig.hid.TakeQueuedReport(vendor.hDevice, in.data(), 64));
    EXPECT_EQ(in, stale);
    EXPECT_FALSE(rig.hid.TakeQueuedReport(vendor.hDevice, in.data(), 64));
    rig.hid.CloseHandle(vendor.hDevice);
}

TEST(HidrawTransfer, ShortAndUnnumberedReportsKeepTheProtocolsOffsets) {
    FifoRig rig;
    // A report shorter than the buffer: the rest reads as zero.
    Channel vendor = rig.Open(rig.dev + "/hidraw0#1");
    Bytes in(64, 0xEE);
    const Bytes shortReport = Report(0xBA, 10, 0x12);
    rig.Feed(0, shortReport);
    ASSERT_EQ(rig.hid.StartRead(vendor.hDevice, in.data(), 64, rig.record), TransferStart::kDone);
    Bytes want(64, 0);
    std::copy(shortReport.begin(), shortReport.end(), want.begin());
    EXPECT_EQ(in, want);

    // Without report IDs the kernel hands over the bare report; a 0 goes in front.
    Channel bare = rig.Open(rig.dev + "/hidraw1#0");
    Bytes data(64);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
    rig.Feed(1, data);
    Bytes got(65, 0xEE);
    ASSERT_EQ(rig.hid.StartRead(bare.hDevice, got.data(), 65, rig.record), TransferStart::kDone);
    EXPECT_EQ(got[0], 0);
    EXPECT_EQ(Bytes(got.begin() + 1, got.end()), data);
    rig.hid.CloseHandle(vendor.hDevice);
    rig.hid.CloseHandle(bare.hDevice);
}

TEST(HidrawTransfer, UnknownHandlesAndEvents) {
    FifoRig rig;
    Bytes buf(64, 0);
    Overlapped none;
    none.hEvent = 12345;
    Channel ch = rig.Open(rig.dev + "/hidraw0#1");
    EXPECT_EQ(rig.hid.StartRead(ch.hDevice, buf.data(), 64, none), TransferStart::kFailed);
    EXPECT_EQ(rig.hid.StartRead(777, buf.data(), 64, rig.record), TransferStart::kFailed);
    EXPECT_EQ(rig.hid.StartRead(kInvalidHandle, buf.data(), 64, rig.record),
              TransferStart::kFailed);
    EXPECT_EQ(rig.hid.WaitTransfer(12345, 10), WaitOutcome::kFailed);
    // Closing the channel cancels its pending read, which leaves the event signalled as any
    // cancel does, instead of a wait on a closed node.
    ASSERT_EQ(rig.hid.StartRead(ch.hDevice, buf.data(), 64, rig.record), TransferStart::kPending);
    rig.hid.CloseHandle(ch.hDevice);
    EXPECT_EQ(rig.hid.WaitTransfer(ch.hEvent, 10), WaitOutcome::kCompleted);
    rig.hid.CloseHandle(ch.hEvent);
    rig.hid.CloseHandle(ch.hEvent);  // twice is harmless
}

// Opens hidraw0 with no right to it: as root the child gives its rights up first, so that the
// kernel's permission check applies. Returns the child's exit code.
int OpenWithoutPermission(test::FakeSysfs& sys, const std::string& node) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
        hidraw::HidrawPlatform hid(sys.Layout());
        std::string told, fix;
        int calls = 0;
        hid.OnOpenDenied([&](const std::string& n, const std::string& f) {
            told = n;
            fix = f;
            ++calls;
        });
        const std::string path = sys.Layout().devRoot + "/hidraw0#1";
        const bool opened = hid.OpenOverlapped(path) != kInvalidHandle;
        const bool queried = hid.OpenForQuery(path) != kInvalidHandle;
        if (opened) ::_exit(11);
        if (!queried) ::_exit(12);  // probing needs no right to the node
        if (calls != 1 || told != node) ::_exit(13);
        if (fix.find("70-quillon.rules") == std::string::npos) ::_exit(14);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(HidrawTransfer, PermissionDeniedNamesTheNodeAndTheFix) {
    test::FakeSysfs sys;
    sys.AddNode("hidraw0", 0x0581, 0x0115, kComposite);
    const std::string node = sys.MakeFifo("hidraw0");
    ASSERT_EQ(::chmod(node.c_str(), 0600), 0);
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(node.c_str(), 0), 0);
    }
    EXPECT_EQ(OpenWithoutPermission(sys, node), 0);
}

}  // namespace
}  // namespace quillon
