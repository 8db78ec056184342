// The station's screen as a terminal shows it: its output fed to a terminal emulator (libvterm)
// at the sizes of a technician's window, then every line read back, those scrolled off the top
// included. Each must be one the station meant to leave (its texts, notices, last table and
// summary), each port may have one row of table left at most, and no row may reach the last
// column, where it would wrap.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "app/cli/InterruptHold.h"
#include "app/cli/StationOutput.h"
#include "state/Texts.h"
#include "support/StationBench.h"

#if QUILLON_HAVE_VTERM
#include <vterm.h>
#endif

namespace quillon {
namespace {

using Strings = std::vector<std::string>;

#if QUILLON_HAVE_VTERM

// A terminal of rows by cols that keeps the lines scrolled off its top.
class Terminal {
  public:
    struct Line {
        std::string text;  // without trailing blanks
        std::size_t columns = 0;
    };
    Terminal(int rows, int cols) : rows_(rows), cols_(cols), vt_(vterm_new(rows, cols)) {
        vterm_set_utf8(vt_, 1);
        screen_ = vterm_obtain_screen(vt_);
        callbacks_.sb_pushline = [](int n, const VTermScreenCell* cells, void* self) {
            static_cast<Terminal*>(self)->scrolled_.push_back(Read(n, cells));
            return 1;
        };
        vterm_screen_set_callbacks(screen_, &callbacks_, this);
        vterm_screen_reset(screen_, 1);
    }
    ~Terminal() { vterm_free(vt_); }

    // Output as a program wrote it; without a pseudo-terminal between, newlines are given the
    // carriage return its line discipline would add.
    void Feed(const std::string& bytes, bool throughTty) {
        std::string in;
        for (char c : bytes)
            in += c == '\n' && !throughTty ? std::string("\r\n") : std::string(1, c);
        vterm_input_write(vt_, in.data(), in.size());
    }
    std::vector<Line> Lines() const {
        std::vector<Line> lines = scrolled_;
        std::vector<VTermScreenCell> cells(static_cast<std::size_t>(cols_));
        for (int row = 0; row < rows_; ++row) {
            for (int col = 0; col < cols_; ++col) {
                vterm_screen_get_cell(screen_, {row, col}, &cells[static_cast<std::size_t>(col)]);
            }
            lines.push_back(Read(cols_, cells.data()));
        }
        return lines;
    }

  private:
    static Line Read(int cols, const VTermScreenCell* cells) {
        Line line;
        std::string text;
        for (int col = 0; col < cols; col += std::max(1, static_cast<int>(cells[col].width))) {
            const std::uint32_t c = cells[col].chars[0];
            if (c == 0) {
                text += ' ';
                continue;
            }
            // UTF-8 (the station writes nothing beyond the basic plane)
            if (c < 0x80) {
                text += static_cast<char>(c);
            } else if (c < 0x800) {
                text += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            } else {
                text += {static_cast<char>(0xE0 | (c >> 12)),
                         static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                         static_cast<char>(0x80 | (c & 0x3F))};
            }
            line.text = text;
            line.columns =
                static_cast<std::size_t>(col + std::max(1, static_cast<int>(cells[col].width)));
        }
        return line;
    }

    int rows_, cols_;
    VTerm* vt_;
    VTermScreen* screen_;
    VTermScreenCallbacks callbacks_{};
    std::vector<Line> scrolled_;
};

// What the station left on the terminal.
struct Left {
    std::map<std::string, Strings> texts;  // the operator texts behind each port
    std::map<std::string, int> rows;       // the rows of table left for each port
    Strings table;                         // the last table
    Strings summary, notices;
    Strings wide;   // rows of table that reach the last column
    Strings other;  // lines that are none of the station's
};

Left Read(const std::vector<Terminal::Line>& lines, const std::set<std::string>& ports,
          std::size_t cols) {
    Left left;
    bool inTable = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string text = lines[i].text;
        const std::string first = text.substr(0, text.find(' '));
        const std::string rest = text.substr(first.size());
        // A row has its port (padded), then the model, the bar or the percentage; a line of the
        // summary its port, two blanks and a text.
        const auto starts = [&](const char* s) { return rest.compare(0, std::strlen(s), s) == 0; };
        const bool row = ports.count(first) != 0 &&
                         (rest.find_first_not_of(' ') > 2 || starts("  0x") || starts("  [") ||
                          starts("  —") || (rest.size() > 2 && std::isdigit(rest[2]) != 0));
        if (row || text.compare(0, 4, "… ") == 0) {
            if (!inTable) left.table.clear();
            inTable = true;
            left.table.push_back(text);
            if (lines[i].columns >= cols) left.wide.push_back(text);
            if (ports.count(first) != 0) ++left.rows[first];
            continue;
        }
        inTable = false;
        // Anything else may be wider than the window and go on in the next line.
        while (lines[i].columns >= cols - 1 && i + 1 < lines.size()) text += lines[++i].text;
        const std::size_t colon = text.find(": ");
        if (colon != std::string::npos && ports.count(text.substr(0, colon)) != 0) {
            left.texts[text.substr(0, colon)].push_back(text.substr(colon + 2));
        } else if (ports.count(first) != 0 || text.find(" done") != std::string::npos) {
            left.summary.push_back(text);
        } else if (text.compare(0, 17, "quillon station: ") == 0) {
            left.notices.push_back(text);
        } else if (!text.empty() && text.compare(0, 14, "virtual time: ") != 0) {
            left.other.push_back(text);
        }
    }
    return left;
}

// "quillon station FIRMWARE --simulate SCENARIO --virtual-time" on a pseudo-terminal of that
// size: what it wrote there, and its exit code.
std::pair<std::string, int> RunOnTerminal(const test::TempDir& dir, const std::string& scenario,
                                          int rows, int cols) {
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        if (::chdir(dir.Path().c_str()) != 0) ::_exit(98);  // for the read-back logs
        ::execl(QUILLON_BIN, "quillon", "station", test::kStationFirmware.c_str(), "--simulate",
                scenario.c_str(), "--virtual-time", static_cast<char*>(nullptr));
        ::_exit(97);
    }
    std::string out;
    char buf[65536];
    pollfd p{master, POLLIN, 0};
    // Read until the station has ended and its side is closed; one that hangs is killed.
    for (ssize_t n = 1; pid > 0 && n > 0;) {
        if (::poll(&p, 1, 60000) <= 0) ::kill(pid, SIGKILL);
        if ((n = ::read(master, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(master);
    int status = 0;
    if (pid > 0) ::waitpid(pid, &status, 0);
    return {out, pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

#else

// Fails nothing, but says loudly that the screen went untested.
#define QUILLON_NO_VTERM()                                                         \
    std::fprintf(stderr,                                                           \
                 "\n*** libvterm was missing when this build was configured: the " \
                 "station's screen is NOT tested (Debian: libvterm-dev) ***\n\n"); \
    GTEST_SKIP() << "libvterm missing: the station's screen is not tested"

#endif  // QUILLON_HAVE_VTERM

// More ports than the window has lines: one run fails after a time-out, two devices of other
// models fail with the longest text (cut in the row), the rest are updated.
TEST(StationScreen, ManyPortsAndLongTextsLeaveOneCleanTable) {
#if QUILLON_HAVE_VTERM
    struct Row {
        int cols, rows, ports;
    };
    for (const Row& row : {Row{80, 24, 30}, Row{120, 30, 40}, Row{40, 12, 16}}) {
        SCOPED_TRACE(std::to_string(row.cols) + "x" + std::to_string(row.rows));
        test::TempDir dir;
        std::set<std::string> ports;
        std::map<std::string, Strings> texts;
        std::string devices;
        for (int i = 1; i <= row.ports; ++i) {
            const std::string port = "1-1." + std::to_string(i);
            const char* fault = i == 4 ? R"(, "faults": [{"command": "ReadFlash", "at": 2,
                                             "kind": "write-timeout"}])"
                                       : "";
            const int model = i == 7 ? 259 : i == 9 ? 7 : 3;
            devices += (i > 1 ? ", " : "") + std::string(R"({"model": )") + std::to_string(model) +
                       R"(, "port": ")" + port + "\"" + fault + "}";
            ports.insert(port);
            texts[port] = model != 3 ? Strings{text::kFirmwareMismatch}
                          : i == 4   ? Strings{text::kBurnTimeout, text::kReadBurnFailed}
                                     : Strings{text::kDone};
        }
        const auto [out, code] =
            RunOnTerminal(dir, dir.WriteText("line.json", R"({"devices": [)" + devices + "]}"),
                          row.rows, row.cols);
        EXPECT_EQ(code, 1);
        Terminal terminal(row.rows, row.cols);
        terminal.Feed(out, true);
        const Left left = Read(terminal.Lines(), ports, static_cast<std::size_t>(row.cols));

        EXPECT_EQ(left.other, Strings{});
        EXPECT_EQ(left.wide, Strings{});
        EXPECT_EQ(left.texts, texts);  // each text once, none erased
        ASSERT_EQ(left.summary.size(), ports.size() + 1);
        EXPECT_EQ(left.summary.back(),
                  std::to_string(row.ports - 3) + " done, 3 failed: 1-1.4 1-1.7 1-1.9");
        // The last table is a line shorter than the window: the failed ports first, then as
        // many done ones as fit, then the rest counted; every other row was erased.
        ASSERT_EQ(left.table.size(), static_cast<std::size_t>(row.rows - 1));
        const int shown = row.rows - 2;
        EXPECT_EQ(left.table.back(), "… " + std::to_string(row.ports - shown) + " more done");
        EXPECT_EQ(left.rows.size(), static_cast<std::size_t>(shown));
        for (const auto& [port, n] : left.rows) EXPECT_EQ(n, 1) << port;
        const Strings failed = {"1-1.4   ", "1-1.7   ", "1-1.9   "};
        for (std::size_t i = 0; i < failed.size(); ++i) {
            EXPECT_EQ(left.table[i].substr(0, 8), failed[i]);
            EXPECT_NE(left.table[i].find("failed"), std::string::npos) << left.table[i];
        }
        if (row.cols >= 80) {  // the model each device answered, not the file's
            EXPECT_NE(left.table[1].find("0x00000103"), std::string::npos) << left.table[1];
            EXPECT_NE(left.table[2].find("0x00000007"), std::string::npos) << left.table[2];
        }
    }
#else
    QUILLON_NO_VTERM();
#endif
}

// Ctrl-C while a watch's first run is busy, taken as the command takes it: the notice goes
// above the table and stays there; the devices plugged in afterwards are shown not started.
TEST(StationScreen, InterruptedWatchKeepsItsNoticeAboveTheTable) {
#if QUILLON_HAVE_VTERM
    test::StationBench b;
    b.setup.Bus()->Use({}, false);
    b.device.latencyMs = 2;  // the run in hand lasts until after the last plug
    for (int i = 0; i < 4; ++i) b.Add("sim-" + std::to_string(i + 1), {}, 2000u * i);
    std::FILE* screen = std::tmpfile();
    ASSERT_NE(screen, nullptr);
    cli::StationTable table(cli::StationTable::Mode::kLive, {screen, screen, [] {
                                                                 return TerminalSize{80, 24};
                                                             }});
    cli::StationOutput output(&table, nullptr, {});
    Station station(b.setup, *b.loaded, b.Options(true), output);
    const std::string notice = std::string("quillon station: ") + cli::kInterruptHeldNotice;
    output.EachTick([&, told = false]() mutable {
        if (told || b.setup.Base().NowMs() < 1500) return;
        told = true;
        output.Interrupt(station, notice);
    });
    table.Final(station.Run());

    std::string bytes(static_cast<std::size_t>(std::ftell(screen)), '\0');
    std::rewind(screen);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), screen), bytes.size());
    std::fclose(screen);
    Terminal terminal(24, 80);
    terminal.Feed(bytes, false);
    const Left left = Read(terminal.Lines(), {"sim-1", "sim-2", "sim-3", "sim-4"}, 80);
    EXPECT_EQ(left.other, Strings{});
    EXPECT_EQ(left.notices, Strings{notice});
    EXPECT_EQ(left.texts, (std::map<std::string, Strings>{{"sim-1", {text::kDone}}}));
    EXPECT_EQ(left.table, (Strings{
                              "sim-1  0x00000003  [##########] 100%  done, unplug  완료",
                              "sim-2  —                              not started",
                              "sim-3  —                              not started",
                              "sim-4  —                              not started",
                          }));
#else
    QUILLON_NO_VTERM();
#endif
}

}  // namespace
}  // namespace quillon
