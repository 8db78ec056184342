// The command line as a user runs it: exit codes and what lands on standard output.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/cli/TextColumns.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/HeldFile.h"
#include "state/Texts.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

using CliRun = test::ProgramRun;

CliRun Quillon(const std::string& args) {
    return test::RunProgram(QUILLON_BIN, args);
}

// What inspect says of each shipped example, the boot switch as a run of it goes.
TEST(Cli, InspectShippedExamples) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"bt-module-model6.fw",
         {"looks for:       0581:0115  taken as it is\n", "frame format:    1 (FRAME_CRC_LEN16)",
          "opcode set:      alternate (80 82 81 83 84 85 86 87)", "image length:    9000",
          "boot switch:     no\n"}},
        {"scanner-model3.fw",
         {"after switch:    0581:0115  taken as it is\n",
          "boot switch:     yes: identified, then switched and waited for\n"}},
        // Identified by the worker's boot switch, but never switched.
        {"spi-model3.fw",
         {"boot switch:     no: an SPI image is written while the application runs\n",
          "block size:      4096 (SPI sectors)"}},
    };
    for (const auto& [name, needles] : rows) {
        SCOPED_TRACE(name);
        const CliRun r = Quillon(std::string("inspect ") + QUILLON_EXAMPLES "/" + name);
        EXPECT_EQ(r.code, 0);
        for (const std::string& needle : needles) {
            EXPECT_NE(r.out.find(needle), std::string::npos) << needle << "\n" << r.out;
        }
        // Identities after a switch are shown exactly for a run that switches.
        EXPECT_EQ(r.out.find("after switch:") != std::string::npos,
                  r.out.find("boot switch:     yes") != std::string::npos);
    }
}

TEST(Cli, PackThenInspectRoundTrip) {
    test::TempDir dir;
    const std::string image = dir.Write("image.bin", test::RandomBytes(5000, 3));
    const std::string fw = dir.File("out.fw");
    ASSERT_EQ(Quillon("pack --model 0x108 --type 1 --start 0x24000 --skip-final 1 --final-arg 77 " +
                      image + " " + fw)
                  .code,
              0);
    const std::vector<std::uint8_t> file = test::TempDir::Read(fw);
    ASSERT_EQ(file.size(), 5036u);
    EXPECT_EQ(ReadLe32(file.data() + header::kModel), 0x108u);
    const CliRun r = Quillon("inspect " + fw);
    EXPECT_EQ(r.code, 0);
    // A boot-switch model found again under the same identity after its restart; the run never
    // looks for the boot-loader pair 0581:0111.
    EXPECT_NE(r.out.find("looks for:       0581:0215  taken as it is\n"
                         "after switch:    0581:0215  taken as it is\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("0111"), std::string::npos);
    EXPECT_NE(r.out.find("boot switch:     yes: identified, then switched"), std::string::npos);
    EXPECT_NE(r.out.find("start address:   0x00024000"), std::string::npos);
    EXPECT_NE(r.out.find("final argument:  0x0000004D (not sent)"), std::string::npos);
}

TEST(Cli, RefusalIsTheTextAloneAndExit3) {
    test::TempDir dir;
    const std::string image = dir.Write("image.bin", test::RandomBytes(64, 4));
    ASSERT_EQ(Quillon("pack --model 9 " + image + " " + dir.File("m9.fw")).code, 0);
    EXPECT_EQ(Quillon("inspect " + dir.File("m9.fw")).out,
              std::string(text::kUnsupportedModel) + "\n");
    const CliRun missing = Quillon("inspect " + dir.File("none.fw"));
    EXPECT_EQ(missing.code, 3);
    EXPECT_EQ(missing.out, std::string(text::kSelectFile) + "\n");
}

// A file that would program past the top of the address space is refused before any device
// traffic; one that names neither flash runs as it always did, and both commands say so.
TEST(Cli, HeaderValuesThatProgramTheWrongFlashOrNone) {
    test::TempDir dir;
    const std::string image = dir.Write("image.bin", test::RandomBytes(100, 6));
    ASSERT_EQ(
        Quillon("pack --model 3 --start 0xFFFFFF9D " + image + " " + dir.File("wrap.fw")).code, 0);
    ASSERT_EQ(Quillon("pack --model 3 --start 0xFFFFFF9C " + image + " " + dir.File("top.fw")).code,
              0);
    ASSERT_EQ(Quillon("pack --model 3 --storage 2 " + image + " " + dir.File("none.fw")).code, 0);
    const std::string refused = std::string(text::kBadUpgradeData) + "\n";
    const std::string err = dir.File("err.txt");
    const auto errText = [&] { return test::ErrorText(err); };
    struct Row {
        std::string args;
        int code;
        std::string out;  // empty: not compared
        bool notice;
    };
    const Row rows[] = {
        {"inspect " + dir.File("wrap.fw"), 3, refused, false},
        {"update " + dir.File("wrap.fw") + " --simulate --virtual-time", 3, refused, false},
        {"inspect " + dir.File("top.fw"), 0, "", false},
        {"inspect " + dir.File("none.fw"), 0, "", true},
        {"update " + dir.File("none.fw") + " --simulate --virtual-time", 0, "완료\n", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        const CliRun run = test::RunProgram(QUILLON_BIN, r.args, err);
        EXPECT_EQ(run.code, r.code);
        if (!r.out.empty()) {
            EXPECT_EQ(run.out, r.out);
        }
        EXPECT_EQ(errText().find("programs nothing") != std::string::npos, r.notice) << errText();
    }
}

// What each command line does with its words: the exit code, standard output and the first line
// on standard error, which for a usage error says what was wrong.
TEST(Cli, CommandLineWords) {
    test::TempDir dir;
    const std::string fw = std::string(QUILLON_EXAMPLES) + "/scanner-model3.fw";
    const std::string err = dir.File("err.txt");
    struct Row {
        std::string args;
        int code;
        std::string out;    // "*": not compared
        std::string error;  // how standard error begins ("" when nothing is there)
    };
    const Row rows[] = {
        {"", 2, "", "quillon: no command given\n"},
        {"frobnicate", 2, "", "quillon: unknown command frobnicate\n"},
        {"--bogus", 2, "", "quillon: unknown option --bogus\n"},
        {"inspect", 2, "", "quillon inspect: FILE is required\n"},
        {"inspect a b", 2, "", "quillon inspect: unexpected word b\n"},
        {"inspect --bogus x", 2, "", "quillon inspect: unknown option --bogus\n"},
        {"pack a b", 2, "", "quillon pack: --model is required\n"},
        {"pack --model x a b", 2, "", "quillon pack: "},
        {"pack --model 3 --type 256 a b", 2, "", "quillon pack: "},
        {"update", 2, "", "quillon update: FILE is required\n"},
        {"update " + fw + " " + fw, 2, "", "quillon update: unexpected word " + fw + "\n"},
        {"update " + fw + " --dump-flash x", 2, "", "quillon update: --dump-flash requires"},
        {"update " + fw + " --virtual-time", 2, "", "quillon update: --virtual-time requires"},
        {"update " + fw + " --trace", 2, "", "quillon update: --trace: "},
        {"list " + fw, 2, "", "quillon list: unexpected word " + fw + "\n"},
        {"station a --dump-flash x", 2, "", "quillon station: --dump-flash requires"},
        // --simulate takes the word after it for its scenario only when it ends in .json, in
        // every command, wherever FILE stands.
        {"update --simulate " + fw + " --virtual-time", 0, "완료\n", "virtual time: "},
        {"update " + fw + " --simulate= --virtual-time", 0, "완료\n", "virtual time: "},
        {"station --simulate " + fw + " --virtual-time", 0, "sim-1: 완료\nsim-1  완료\n1 done\n",
         "virtual time: "},
        {"list --simulate " + fw, 2, "", "quillon list: unexpected word " + fw + "\n"},
        {"list --simulate", 0, "*", ""},
        // A port where nothing is plugged in is not an unplugged scanner; nothing is sent.
        {"update " + fw + " --simulate --virtual-time --port sim-9", 4, "",
         "quillon update: no device at port sim-9 (ports seen: sim-1)\n"},
        {"station " + fw + " --simulate --virtual-time --port sim-1 --port sim-9", 4, "",
         "quillon station: no device at port sim-9 (ports seen: sim-1)\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        const CliRun run = test::RunProgram(QUILLON_BIN, r.args, err);
        EXPECT_EQ(run.code, r.code);
        if (r.out != "*") {
            EXPECT_EQ(run.out, r.out);
        }
        const std::string error = test::ErrorText(err);
        EXPECT_EQ(error.substr(0, r.error.size()), r.error) << error;
        EXPECT_EQ(error.empty(), r.error.empty()) << error;
    }
}

// Every help screen reads whole in a terminal of 80 columns: no line wraps (Hangul counts two).
TEST(Cli, EveryHelpScreenFitsEightyColumns) {
    test::TempDir dir;
    const std::string err = dir.File("err.txt");
    for (const char* command :
         {"", "inspect ", "update ", "station ", "pack ", "list ", "status ", "completion "}) {
        const CliRun run = test::RunProgram(QUILLON_BIN, std::string(command) + "--help", err);
        EXPECT_EQ(run.code, 0) << command;
        EXPECT_EQ(test::ErrorText(err), "") << command;
        std::istringstream lines(run.out);
        int count = 0;
        for (std::string line; std::getline(lines, line); ++count) {
            EXPECT_LE(cli::DisplayColumns(line), 79u) << command << "--help: " << line;
        }
        EXPECT_GT(count, 5) << command;
    }
    const struct {
        const char* text;
        std::size_t columns;
        const char* wrapped;
    } rows[] = {
        {"one\ntwo three", 20, "one two three"},                    // a paragraph's lines flow
        {"one\n\ntwo\n", 20, "one\n\ntwo\n"},                       // paragraphs stay apart
        {"a overlongword b", 4, "a\noverlongword\nb"},              // a word is never cut
        {"ends \"USB연결실패\" x", 17, "ends\n\"USB연결실패\" x"},  // 17 columns, 22 bytes
    };
    for (const auto& r : rows) EXPECT_EQ(cli::WrapColumns(r.text, r.columns), r.wrapped) << r.text;
}

TEST(Cli, UpdateAgainstTheSimulatorDumpsTheImage) {
    test::TempDir dir;
    const std::string examples = QUILLON_EXAMPLES;
    for (const char* name : {"scanner-model3", "bt-module-model6", "spi-model3"}) {
        SCOPED_TRACE(name);
        const std::string dump = dir.File(std::string(name) + ".dump");
        const CliRun r = Quillon("update " + examples + "/" + name +
                                 ".fw --simulate --virtual-time --dump-flash " + dump);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, "완료\n");
        EXPECT_EQ(test::TempDir::Read(dump), test::TempDir::Read(examples + "/" + name + ".bin"));
    }
}

TEST(Cli, UpdateFailurePrintsEachTextInOrderAndExits1) {
    test::TempDir dir;
    const std::string scenario = dir.Write("s.json", [] {
        const std::string j = R"({"devices": [{"model": 3, "faults": [
                {"command": "ReadFlash", "at": 2, "kind": "write-timeout"}]}]})";
        return std::vector<std::uint8_t>(j.begin(), j.end());
    }());
    const std::string fw = std::string(QUILLON_EXAMPLES) + "/scanner-model3.fw";
    const std::string trace = dir.File("trace.txt");
    const CliRun r =
        Quillon("update " + fw + " --simulate " + scenario + " --virtual-time --trace " + trace);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, std::string(text::kBurnTimeout) + "\n" + text::kReadBurnFailed + "\n");
    const auto lines = test::TempDir::Read(trace);
    const std::string t(lines.begin(), lines.end());
    EXPECT_NE(t.find(" write-timeout\n"), std::string::npos);
    EXPECT_NE(t.find("0 open sim:d0.1/c0\n"), std::string::npos);
}

// The ways users misuse update and station: outputs that name the inputs or each other (as
// spelled, or through a second name), standard output closed or without a reader, a read-back log
// that cannot be kept, inputs that cannot be used, devices that are not there. Each row: the
// arguments, what must be left on disk (and never an operator text inside a file), the exit code,
// and whether anything was sent: the trace's writes, the log's finished runs, or, without either,
// the model check in the JSON on standard output (the first thing a run of this file sends).
TEST(Cli, MisuseLeavesTheFilesAndSendsNothingForNothing) {
    namespace fs = std::filesystem;
    enum class Left { kUnchanged, kAbsent, kPresent };
    enum class Out { kCaptured, kClosed, kNoReader };
    enum class Cwd {
        kEmpty,
        kLogIsFolder,
        kLogHeld,
        kFirmwareAsLog,
        kFirmwareAsPortLog,
        kFirmwareAsDump,
    };
    struct Row {
        std::string name;
        std::string args;
        int code;
        bool sent;
        std::string evidence;  // the trace or log that tells; empty: the JSON on standard output
        std::vector<std::pair<std::string, Left>> files = {};  // relative: in the run's folder
        std::string err = {};                                  // a part of standard error
        Out out = Out::kCaptured;
        Cwd cwd = Cwd::kEmpty;
    };
    test::TempDir d;
    const std::vector<std::uint8_t> image =
        test::TempDir::Read(std::string(QUILLON_EXAMPLES) + "/scanner-model3.fw");
    const std::string fw = d.Write("fw.fw", image);
    const std::string scenario = d.WriteText("one.json", R"({"devices": [{"model": 3}]})");
    const std::string broken = d.WriteText("broken.json", "{");
    const std::string twoAtOnePort =
        d.WriteText("two.json", R"({"devices": [{"port": "p"}, {"port": "p"}]})");
    const std::string other = d.WriteText("other.json", R"({"devices": [{"model": 4}]})");
    const std::string folder = d.File("folder");
    fs::create_directory(folder);
    const std::string trace = d.File("t.txt"), log = d.File("log.jsonl"), none = d.File("none.fw");
    const std::string update = "update " + fw + " --simulate --virtual-time";
    const std::string station = "station " + fw + " --simulate --virtual-time";
    std::vector<Row> rows = {
        {"no FILE", "update", 2, false, "", {}, "FILE is required"},
        {"two FILEs", "update " + fw + " " + fw, 2, false, ""},
        {"--dump-flash without --simulate", "update " + fw + " --dump-flash x", 2, false, ""},
        {"--virtual-time without --simulate", "update " + fw + " --virtual-time", 2, false, ""},
        {"--trace without its FILE", "update " + fw + " --trace", 2, false, ""},
        {"the trace is the firmware file",
         update + " --trace " + fw,
         2,
         false,
         fw,
         {{fw, Left::kUnchanged}},
         "--trace " + fw + " is the firmware file"},
        {"the dump is the firmware file",
         update + " --trace " + trace + " --dump-flash " + fw,
         2,
         false,
         trace,
         {{fw, Left::kUnchanged}, {trace, Left::kAbsent}},
         "--dump-flash " + fw + " is the firmware file"},
        {"the trace is the scenario",
         "update " + fw + " --simulate " + scenario + " --virtual-time --trace " + scenario,
         2,
         false,
         scenario,
         {{scenario, Left::kUnchanged}},
         "is the scenario"},
        {"the trace and the dump name one new file",
         update + " --trace " + trace + " --dump-flash " + d.File("./t.txt"),
         2,
         false,
         trace,
         {{trace, Left::kAbsent}},
         "are one file"},
        {"the trace is the read-back log",
         update + " --trace Readtest.bin",
         2,
         false,
         "Readtest.bin",
         {{"Readtest.bin", Left::kAbsent}},
         "--trace Readtest.bin and the read-back log Readtest.bin are one file"},
        {"a missing firmware file named again as the trace",
         "update " + none + " --simulate --virtual-time --trace " + none,
         2,
         false,
         none,
         {{none, Left::kAbsent}},
         "is the firmware file"},
        {"the firmware file is where the read-back log goes",
         "update Readtest.bin --simulate --virtual-time --trace " + trace,
         2,
         false,
         trace,
         {{"Readtest.bin", Left::kUnchanged}, {trace, Left::kAbsent}},
         "the read-back log Readtest.bin is the firmware file",
         Out::kCaptured,
         Cwd::kFirmwareAsLog},
        {"the station's log is the firmware file",
         station + " --json --log " + fw,
         2,
         false,
         "",
         {{fw, Left::kUnchanged}},
         "--log " + fw + " is the firmware file"},
        {"a port's read-back log is the firmware file",
         "station Readtest-sim-1.bin --simulate --virtual-time --json",
         2,
         false,
         "",
         {{"Readtest-sim-1.bin", Left::kUnchanged}},
         "the read-back log Readtest-sim-1.bin is the firmware file",
         Out::kCaptured,
         Cwd::kFirmwareAsPortLog},
        {"another run holds the read-back log",
         update + " --trace " + trace,
         2,
         false,
         trace,
         {{"Readtest.bin", Left::kUnchanged}},
         "Readtest.bin: is in use by another run",
         Out::kCaptured,
         Cwd::kLogHeld},
        {"the read-back log's place is a folder",
         update + " --json --trace " + trace,
         2,
         false,
         trace,
         {},
         "Readtest.bin: is a folder",
         Out::kCaptured,
         Cwd::kLogIsFolder},
        {"the firmware file is a folder",
         "update " + folder + " --simulate --virtual-time --trace " + trace,
         3,
         false,
         trace,
         {{"Readtest.bin", Left::kAbsent}},
         "cannot read " + folder + ": is a folder"},
        {"a broken scenario",
         "update " + fw + " --simulate " + broken + " --virtual-time --trace " + trace,
         2,
         false,
         trace,
         {{trace, Left::kAbsent}},
         broken + ": "},
        {"a scenario with two devices at one port at once",
         "update " + fw + " --simulate " + twoAtOnePort + " --virtual-time --trace " + trace,
         2,
         false,
         trace,
         {{trace, Left::kAbsent}},
         twoAtOnePort + ": devices[1].port: p"},
        {"a trace in a folder that is not there",
         update + " --trace " + d.File("no/t.txt"),
         2,
         false,
         d.File("no/t.txt"),
         {},
         "cannot write " + d.File("no/t.txt")},
        {"the trace is a folder", update + " --trace " + folder, 2, false, "", {}, "is a folder"},
        {"the dump is a folder",
         update + " --trace " + trace + " --dump-flash " + folder,
         2,
         false,
         trace,
         {{trace, Left::kAbsent}},
         "cannot write " + folder + ": is a folder"},
        {"the station's log is a folder",
         station + " --json --log " + folder,
         2,
         false,
         "",
         {},
         "is a folder"},
        {"a station's dump folder that is not there",
         station + " --json --dump-flash " + d.File("no"),
         2,
         false,
         "",
         {},
         "cannot write " + d.File("no") + "/flash-sim-1.bin"},
        {"a station's dump is the firmware file",
         "station flash-sim-1.bin --simulate --virtual-time --json --dump-flash .",
         2,
         false,
         "",
         {{"flash-sim-1.bin", Left::kUnchanged}},
         "--dump-flash ./flash-sim-1.bin is the firmware file",
         Out::kCaptured,
         Cwd::kFirmwareAsDump},
        {"a station of a device of another model (asked what it is)",
         "station " + fw + " --simulate " + other + " --virtual-time --json", 4, true, ""},
        {"a station port with no device", station + " --json --port nowhere", 4, false, ""},
        {"a good run, for the rows above",
         update + " --trace " + trace,
         0,
         true,
         trace,
         {{"Readtest.bin", Left::kPresent}}},
    };
#ifndef _WIN32
    const std::string fifo = d.File("fifo.fw");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_hard_link(fw, d.File("link.fw"));
    rows.push_back({"the trace is the firmware file under a second name",
                    update + " --trace " + d.File("link.fw"),
                    2,
                    false,
                    fw,
                    {{fw, Left::kUnchanged}},
                    "--trace " + d.File("link.fw") + " is the firmware"});
    rows.push_back({"the firmware file is a FIFO (not waited on)",
                    "update " + fifo + " --simulate --virtual-time --trace " + trace,
                    3,
                    false,
                    trace,
                    {},
                    "cannot read " + fifo + ": is a FIFO"});
    rows.push_back({"standard output closed",
                    update + " --trace " + trace + " >&-",
                    0,
                    true,
                    trace,
                    {{trace, Left::kPresent}},
                    "",
                    Out::kClosed});
    rows.push_back({"standard output closed under a station's log",
                    station + " --log " + log + " >&-",
                    0,
                    true,
                    log,
                    {{log, Left::kPresent}},
                    "",
                    Out::kClosed});
    rows.push_back({"a reader of standard output that is gone",
                    update + " --json --trace " + trace,
                    0,
                    true,
                    trace,
                    {{trace, Left::kPresent}, {"Readtest.bin", Left::kPresent}},
                    "",
                    Out::kNoReader});
#endif
    const auto text = [](const fs::path& p) {
        std::error_code ec;
        if (!fs::is_regular_file(p, ec)) return std::string();
        const std::vector<std::uint8_t> bytes = test::TempDir::Read(p.string());
        return std::string(bytes.begin(), bytes.end());
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const std::string& output : {trace, log}) fs::remove(output);
        const test::TempDir cwd(d.Path());
        const fs::path logHere = cwd.Path() / "Readtest.bin";
        HeldFile held;  // another run's hold on the read-back log
        std::string reason;
        switch (row.cwd) {
            case Cwd::kEmpty:
                break;
            case Cwd::kLogIsFolder:
                fs::create_directory(logHere);
                break;
            case Cwd::kLogHeld:
                ASSERT_TRUE(held.Take(logHere, reason)) << reason;
                ASSERT_TRUE(held.Begin());  // it stays when let go
                break;
            case Cwd::kFirmwareAsLog:
                cwd.Write("Readtest.bin", image);
                break;
            case Cwd::kFirmwareAsPortLog:
                cwd.Write("Readtest-sim-1.bin", image);
                break;
            case Cwd::kFirmwareAsDump:
                cwd.Write("flash-sim-1.bin", image);
                break;
        }
        const auto where = [&](const std::string& p) {
            return fs::path(p).is_relative() ? cwd.Path() / p : fs::path(p);
        };
        std::vector<std::string> before;
        for (const auto& [path, left] : row.files) before.push_back(text(where(path)));
        std::string args = row.args;
#ifndef _WIN32
        int noReader = -1;
        int ends[2] = {-1, -1};
        if (row.out == Out::kNoReader) {
            ASSERT_EQ(::pipe(ends), 0);
            ::close(ends[0]);  // nobody will ever read
            noReader = ends[1];
            args += " >&" + std::to_string(noReader);
        }
#endif
        const std::string err = d.File("err.txt");
        const CliRun run = test::RunProgramIn(cwd.Path(), QUILLON_BIN, args, err);
#ifndef _WIN32
        if (noReader >= 0) ::close(noReader);
#endif
        EXPECT_EQ(run.code, row.code);
        const std::string errText = text(err);
        EXPECT_NE(errText.find(row.err), std::string::npos) << errText;
        const std::string evidence = row.evidence.empty() ? run.out : text(where(row.evidence));
        const bool sent = row.evidence.empty()
                              ? evidence.find("\"phase\":\"checking-model\"") != std::string::npos
                              : evidence.find(" write ") != std::string::npos ||
                                    evidence.find("\"outcome\":\"done\"") != std::string::npos;
        EXPECT_EQ(sent, row.sent) << evidence.substr(0, 300);
        for (std::size_t i = 0; i < row.files.size(); ++i) {
            const auto& [path, left] = row.files[i];
            SCOPED_TRACE(path);
            const fs::path p = where(path);
            EXPECT_EQ(fs::exists(p), left != Left::kAbsent);
            if (left == Left::kUnchanged) {
                EXPECT_EQ(text(p), before[i]);
            }
            // An operator text, outside the JSON objects that may quote it.
            std::istringstream lines(text(p));
            for (std::string line; std::getline(lines, line);) {
                EXPECT_TRUE(line.find(text::kDone) == std::string::npos || line.rfind('{', 0) == 0)
                    << line;
            }
        }
        if (row.out == Out::kCaptured) continue;
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
}  // namespace quillon
