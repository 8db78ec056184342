// quillon.exe with paths beyond ASCII: the UTF-16 command line reaches the commands as UTF-8 and
// every file they open or create is found under the same name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

std::filesystem::path FromUtf8(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Win32Cli, KoreanAndChinesePathsWorkForEveryFileTheCommandsTouch) {
    test::TempDir dir;
    const std::string sub = dir.File("펌웨어_固件");
    std::filesystem::create_directories(FromUtf8(sub));
    const std::string image = sub + "\\이미지.bin";
    const std::vector<std::uint8_t> bytes = test::RandomBytes(3000, 7);
    {
        std::ofstream out(FromUtf8(image), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    const std::string fw = sub + "\\스캐너.fw";
    ASSERT_EQ(test::RunProgram(QUILLON_BIN, "pack --model 3 --type 1 " + image + " " + fw).code, 0);
    EXPECT_EQ(ReadAll(FromUtf8(fw)).size(), 3036u);

    const test::ProgramRun inspect = test::RunProgram(QUILLON_BIN, "inspect " + fw);
    EXPECT_EQ(inspect.code, 0);
    EXPECT_NE(inspect.out.find("file:            " + fw + "\n"), std::string::npos) << inspect.out;

    const std::string trace = sub + "\\추적.txt";
    const std::string dump = sub + "\\덤프.bin";
    const test::ProgramRun update =
        test::RunProgram(QUILLON_BIN, "update " + fw + " --simulate --virtual-time --trace " +
                                          trace + " --dump-flash " + dump);
    EXPECT_EQ(update.code, 0);
    EXPECT_EQ(update.out, "완료\n");
    EXPECT_EQ(ReadAll(FromUtf8(dump)), bytes);
    const std::vector<std::uint8_t> t = ReadAll(FromUtf8(trace));
    const std::string text(t.begin(), t.end());
    EXPECT_NE(text.find("open sim:d0."), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos) << "the trace is written as bytes, not as text";
}

}  // namespace
}  // namespace quillon
