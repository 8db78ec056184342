// The read-back log is made in the current directory, perhaps by a program run as root: it is
// created only as a plain file of its own, never through a symbolic link. (A log that cannot be
// created ends the run with "没有文件!" before programming: UpdateFailure covers that.)
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "firmware/FileSystem.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(ReadBackLog, CreatedOnlyAsAPlainFileOfItsOwn) {
    const Bytes precious = {'k', 'e', 'e', 'p'};
    struct Row {
        const char* name;
        std::function<void(const test::TempDir&)> before;  // what lies at Readtest.bin
        bool created;
    };
    const auto target = [&](const test::TempDir& d) { d.Write("target", precious); };
    const Row rows[] = {
        {"nothing", [](const test::TempDir&) {}, true},
        {"an old log",
         [](const test::TempDir& d) {
             d.Write("Readtest.bin", {1, 2, 3});
         },
         true},
        {"a symbolic link to a file",
         [&](const test::TempDir& d) {
             target(d);
             fs::create_symlink(d.File("target"), d.File("Readtest.bin"));
         },
         false},
        {"a dangling symbolic link",
         [](const test::TempDir& d) {
             fs::create_symlink(d.File("target"), d.File("Readtest.bin"));
         },
         false},
        {"a second name of another file",
         [&](const test::TempDir& d) {
             target(d);
             fs::create_hard_link(d.File("target"), d.File("Readtest.bin"));
         },
         false},
        {"a FIFO without a reader",
         [](const test::TempDir& d) { ::mkfifo(d.File("Readtest.bin").c_str(), 0600); }, false},
        {"a directory",
         [](const test::TempDir& d) { fs::create_directory(d.File("Readtest.bin")); }, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::TempDir dir;
        r.before(dir);
        StdFileSystem files;
        std::unique_ptr<WritableFile> log = files.Create(dir.File("Readtest.bin"));
        EXPECT_EQ(log != nullptr, r.created);
        if (log) {
            const std::uint8_t bytes[] = {9, 8};
            EXPECT_TRUE(log->Write(bytes, 2));
            EXPECT_TRUE(log->Close());
            EXPECT_EQ(test::TempDir::Read(dir.File("Readtest.bin")), Bytes({9, 8}));
        }
        if (fs::exists(dir.File("target"))) {
            EXPECT_EQ(test::TempDir::Read(dir.File("target")), precious);
        } else {
            EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("target"))));  // not made either
        }
    }
}

}  // namespace
}  // namespace quillon
