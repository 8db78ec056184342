// The command line as a user runs it: exit codes and what lands on standard output.
#include <gtest/gtest.h>

#include "firmware/FirmwareHeader.h"
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
    const auto errText = [&] {
        const auto bytes = test::TempDir::Read(err);
        return std::string(bytes.begin(), bytes.end());
    };
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
        {"--help", 0, "*", ""},
        {"inspect --help", 0, "*", ""},
        {"pack --help", 0, "*", ""},
        {"update --help", 0, "*", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        const CliRun run = test::RunProgram(QUILLON_BIN, r.args, err);
        EXPECT_EQ(run.code, r.code);
        if (r.out != "*") {
            EXPECT_EQ(run.out, r.out);
        }
        const auto bytes = test::TempDir::Read(err);
        const std::string error(bytes.begin(), bytes.end());
        EXPECT_EQ(error.substr(0, r.error.size()), r.error) << error;
        EXPECT_EQ(error.empty(), r.error.empty()) << error;
    }
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

}  // namespace
}  // namespace quillon
