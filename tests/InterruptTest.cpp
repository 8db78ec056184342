// The interrupt rule of "quillon update", in a child process on virtual time: a signal that comes
// once the run has touched the device is held (told once on standard error) and the program
// exits with the run's own result; one that comes before the first report ends it at once.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "app/cli/Commands.h"
#include "app/cli/InterruptHold.h"
#include "firmware/FirmwareHeader.h"
#include "hid/ForwardingHidPlatform.h"
#include "sim/Scenario.h"
#include "sim/SimPlatform.h"
#include "sim/SimulatedBus.h"
#include "state/Texts.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

// Sends signals to its own process as the run goes: before the first report (during discovery)
// or as given reports are written; counts the reports on a pipe the parent reads.
class SignalSender : public ForwardingHidPlatform {
  public:
    SignalSender(HidPlatform& inner, std::vector<std::pair<int, int>> plan, int countFd)
        : ForwardingHidPlatform(inner), plan_(std::move(plan)), countFd_(countFd) {}

    Handle OpenInterfaceList() override {
        Send(0);
        return inner_->OpenInterfaceList();
    }
    TransferStart StartWrite(Handle d, const std::uint8_t* data, std::size_t len,
                             Overlapped& r) override {
        Send(++writes_);
        const char one = 'w';
        if (::write(countFd_, &one, 1) != 1) ::_exit(99);
        return inner_->StartWrite(d, data, len, r);
    }

  private:
    void Send(int at) {
        for (const auto& [sig, when] : plan_) {
            if (when == at) ::kill(::getpid(), sig);
        }
    }
    std::vector<std::pair<int, int>> plan_;  // signal, at which report (0: before any)
    int countFd_;
    int writes_ = 0;
};

struct ChildRun {
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;
    std::string out, err;
    std::size_t reports = 0;
};

std::string ReadAll(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return s;
}

// "quillon update FILE" against one simulated device fitted to the file, with the scenario's
// faults, in a child process.
ChildRun RunChild(const test::TempDir& dir, const std::string& fw,
                  const std::vector<sim::FaultRule>& faults,
                  std::vector<std::pair<int, int>> plan) {
    int out[2], err[2], count[2];
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    EXPECT_EQ(::pipe(count), 0);
    // The child flushes its output at the end; it must not flush this process's buffers too.
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        ::close(count[0]);
        if (::chdir(dir.Path().c_str()) != 0) ::_exit(98);  // for the read-back log
        auto scratch = std::make_unique<SharedState>();
        if (!sim::PreloadFirmware(fw, *scratch)) ::_exit(97);
        sim::SimPlatform simulator(true);
        sim::SimDeviceConfig device = sim::DefaultDeviceFor(*scratch);
        device.faults = faults;
        simulator.AddDevice(device);
        SignalSender sender(simulator, std::move(plan), count[1]);
        const int code = cli::RunUpdateOn(sender, fw);
        std::fflush(nullptr);
        ::_exit(code);
    }
    ::close(out[1]);
    ::close(err[1]);
    ::close(count[1]);
    ChildRun r;
    r.out = ReadAll(out[0]);
    r.err = ReadAll(err[0]);
    r.reports = ReadAll(count[0]).size();
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    return r;
}

// How often the notice of a held interrupt was given.
int Notices(const std::string& err) {
    const auto first = err.find(cli::kInterruptHeldNotice);
    if (first == std::string::npos) return 0;
    return first == err.rfind(cli::kInterruptHeldNotice) ? 1 : 2;
}

TEST(Interrupts, HeldOnceTheDeviceIsTouchedEndingAtOnceBefore) {
    test::TempDir dir;
    FirmwareFields f;
    f.model = 3;
    f.type = 1;
    f.startAddress = 0x10000;
    const std::string fw = dir.Write("m3.fw", PackFirmware(f, test::RandomBytes(6000, 8)));
    const sim::FaultRule writeTimesOut{sim::SimCommand::kWriteFlash, 60, 60,
                                       sim::FaultKind::kWriteTimeout};
    struct Row {
        const char* name;
        std::vector<std::pair<int, int>> plan;
        std::vector<sim::FaultRule> faults;
        int exitCode;  // -1: ended by the first signal of the plan
        std::string out;
    };
    const std::string done = std::string(text::kDone) + "\n";
    const std::string failed =
        std::string(text::kBurnTimeout) + "\n" + text::kWriteVerifyFailed + "\n";
    const Row rows[] = {
        {"SIGINT during discovery", {{SIGINT, 0}}, {}, -1, ""},
        {"SIGTERM during discovery", {{SIGTERM, 0}}, {}, -1, ""},
        {"SIGHUP during discovery", {{SIGHUP, 0}}, {}, -1, ""},
        {"SIGINT mid-run", {{SIGINT, 40}}, {}, 0, done},
        {"SIGTERM mid-run", {{SIGTERM, 40}}, {}, 0, done},
        {"SIGHUP mid-run", {{SIGHUP, 40}}, {}, 0, done},
        {"three signals mid-run", {{SIGINT, 20}, {SIGTERM, 40}, {SIGINT, 90}}, {}, 0, done},
        {"SIGINT at the first report", {{SIGINT, 1}}, {}, 0, done},
        {"SIGINT mid-run, then the run fails", {{SIGINT, 40}}, {writeTimesOut}, 1, failed},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const ChildRun run = RunChild(dir, fw, r.faults, r.plan);
        if (r.exitCode < 0) {
            EXPECT_EQ(run.signal, r.plan[0].first);
            EXPECT_EQ(run.reports, 0u);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(Notices(run.err), 0);
        } else {
            EXPECT_EQ(run.signal, 0);
            EXPECT_EQ(run.exitCode, r.exitCode);
            EXPECT_EQ(run.out, r.out);
            EXPECT_EQ(Notices(run.err), 1) << run.err;
        }
    }
}

}  // namespace
}  // namespace quillon
