// The system's reason for a failure on the link, from the hidraw backend on the fake sysfs up to
// the caller, the trace and the run's state: a node that vanished after it was listed, a device
// file that is missing, a node nobody may open. Each case runs in a child process, so that as
// root the denied case can give its rights up and the kernel's permission check applies.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "app/JsonRunOperator.h"
#include "firmware/ModelProfile.h"
#include "hid/TracingHidPlatform.h"
#include "hid/linux/HidrawPlatform.h"
#include "protocol/Receiver.h"
#include "state/Texts.h"
#include "support/FakeSysfs.h"
#include "support/TempDir.h"
#include "support/TestFileSystem.h"

namespace quillon {
namespace {

// One vendor collection, 63 data bytes each way, no report IDs.
const std::vector<std::uint8_t> kScanner = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                                            0x75, 0x08, 0x95, 0x3F, 0x09, 0x01, 0x81,
                                            0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};

enum class Case { kVanished, kNoDeviceFile, kDenied };

// What the caller, the trace and the run were told, one a line: the platform's last error after
// the failed open, the trace's failure lines without their time, and the run's reason after a
// request was sent on the channel that never opened, as the run's state, its message event and
// its result event hold it.
std::string Observe(test::FakeSysfs& sys, const std::string& path) {
    hidraw::HidrawPlatform hid(sys.Layout());
    std::FILE* out = std::tmpfile();
    if (out == nullptr) return "no trace file";
    TracingHidPlatform trace(hid, out);
    test::TempDir dir;
    auto st = std::make_unique<SharedState>();
    std::FILE* events = std::tmpfile();
    if (events == nullptr) return "no event file";
    std::mutex lock;
    schema::JsonLines lines(events, lock);
    JsonRunOperator op("x.fw", schema::RunObjects(), lines, hid);
    op.Attach(st->phases);
    test::TestFileSystem files(dir.Path());
    LinkServices s{*st, trace, op, files};
    Receiver rx(s);
    st->SetHidCaps({1, 0xFF00, 64, 64});
    st->g_pModelProfile = FindModelProfile(3);  // as a loaded file of model 3 leaves it
    Channel ch = rx.channel.OpenChannel(path);
    std::string told = hid.LastError() + "\n";
    rx.commands.QueryMode(ch);
    rx.channel.CloseChannel(ch);
    op.ShowMessage(text::kUsbConnectFailed);  // as the run ends when no device answers
    op.Finish(1);
    std::rewind(out);
    char line[512];
    while (std::fgets(line, sizeof line, out) != nullptr) {
        const std::string l(line);
        const std::size_t space = l.find(' ');
        if (l.find("-failed") != std::string::npos) told += l.substr(space + 1);
    }
    std::fclose(out);
    told += st->phases.Snapshot().osError + "\n";
    std::rewind(events);
    while (std::fgets(line, sizeof line, events) != nullptr) {
        const schema::JsonObject o = schema::JsonObject::parse(line);
        told += o.value("type", "") + " " + o.value("os_error", "") + "\n";
    }
    std::fclose(events);
    return told;
}

// Observe in a child process, with no rights of root when drop is set.
std::string ObserveInChild(test::FakeSysfs& sys, const std::string& path, bool drop) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (drop && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(10);
        }
        const std::string seen = Observe(sys, path);
        const bool written =
            ::write(fds[1], seen.data(), seen.size()) == static_cast<ssize_t>(seen.size());
        ::_exit(written ? 0 : 11);
    }
    ::close(fds[1]);
    std::string seen;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) seen.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child failed " + std::to_string(status);
    return seen;
}

TEST(SystemReason, AFailedOpenTellsTheCallerTheTraceAndTheRun) {
    struct Row {
        const char* name;
        Case setup;
        const char* reason;
    };
    const Row rows[] = {
        {"a node that vanished after the list", Case::kVanished,
         "ENOENT: No such file or directory"},
        {"a device file that is missing", Case::kNoDeviceFile, "ENOENT: No such file or directory"},
        {"a node nobody may open", Case::kDenied, "EACCES: Permission denied"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::FakeSysfs sys;
        sys.AddNode("hidraw0", 0x0581, 0x0111, kScanner);
        const std::string path = sys.Layout().devRoot + "/hidraw0#0";
        if (r.setup != Case::kNoDeviceFile) {
            const std::string node = sys.MakeFifo("hidraw0");
            if (r.setup == Case::kDenied) {
                ASSERT_EQ(::chmod(node.c_str(), ::geteuid() == 0 ? 0600 : 0), 0);
            }
        }
        if (r.setup == Case::kVanished) {
            hidraw::HidrawPlatform lister(sys.Layout());
            const Handle list = lister.OpenInterfaceList();
            std::string listed;
            ASSERT_TRUE(lister.EnumInterface(list, 0, listed));
            ASSERT_EQ(listed, path);
            lister.DestroyInterfaceList(list);
            sys.RemoveNode("hidraw0");
        }
        const std::string reason = r.reason;
        EXPECT_EQ(ObserveInChild(sys, path, r.setup == Case::kDenied),
                  reason + "\nopen-failed " + path + ": " + reason + "\n" + reason + "\nmessage " +
                      reason + "\nresult " + reason + "\n");
    }
}

}  // namespace
}  // namespace quillon
