// The read-back log is made in the current directory, perhaps by a program run as root: it is
// created only as a plain file of its own, never through a symbolic link; and a run of the command
// line holds it from before it sends anything, locked against every other run, emptying it only
// once it writes. (A log that cannot be created ends the run with "没有文件!" before programming:
// UpdateFailure covers that; the command line's misuse table covers a run that cannot keep it.)
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "firmware/FileSystem.h"
#include "firmware/HeldFile.h"
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
        const char* refusal;  // nullptr: a plain file of its own, created or kept
    };
    const auto target = [&](const test::TempDir& d) { d.Write("target", precious); };
    const Row rows[] = {
        {"nothing", [](const test::TempDir&) {}, nullptr},
        {"an old log",
         [](const test::TempDir& d) {
             d.Write("Readtest.bin", {1, 2, 3});
         },
         nullptr},
        {"a symbolic link to a file",
         [&](const test::TempDir& d) {
             target(d);
             fs::create_symlink(d.File("target"), d.File("Readtest.bin"));
         },
         "is a symbolic link"},
        {"a dangling symbolic link",
         [](const test::TempDir& d) {
             fs::create_symlink(d.File("target"), d.File("Readtest.bin"));
         },
         "is a symbolic link"},
        {"a second name of another file",
         [&](const test::TempDir& d) {
             target(d);
             fs::create_hard_link(d.File("target"), d.File("Readtest.bin"));
         },
         "has a second name"},
        {"a FIFO without a reader",
         [](const test::TempDir& d) { ::mkfifo(d.File("Readtest.bin").c_str(), 0600); },
         "is a FIFO"},
        {"a directory",
         [](const test::TempDir& d) { fs::create_directory(d.File("Readtest.bin")); },
         "is a folder"},
    };
    const std::uint8_t bytes[] = {9, 8};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        {
            // Created for one write, as the dialogs make it.
            test::TempDir dir;
            r.before(dir);
            StdFileSystem files;
            std::unique_ptr<WritableFile> log = files.Create(dir.File("Readtest.bin"));
            EXPECT_EQ(log != nullptr, r.refusal == nullptr);
            if (log) {
                EXPECT_TRUE(log->Write(bytes, 2));
                EXPECT_TRUE(log->Close());
                EXPECT_EQ(test::TempDir::Read(dir.File("Readtest.bin")), Bytes({9, 8}));
            } else {
                EXPECT_NE(files.LastError().find(r.refusal), std::string::npos)
                    << files.LastError();
            }
        }
        // Held for a run.
        test::TempDir dir;
        r.before(dir);
        const fs::path path = dir.File("Readtest.bin");
        const bool there = fs::exists(fs::symlink_status(path));
        const Bytes old =
            r.refusal == nullptr && there ? test::TempDir::Read(path.string()) : Bytes{};
        HeldFile held;
        std::string reason;
        EXPECT_EQ(held.Take(path, reason), r.refusal == nullptr);
        if (r.refusal != nullptr) {
            EXPECT_NE(reason.find(r.refusal), std::string::npos) << reason;
        } else {
            // Another run gets nothing, and what was there is kept until the run writes.
            HeldFile second;
            EXPECT_FALSE(second.Take(path, reason));
            EXPECT_EQ(reason, "is in use by another run");
            EXPECT_EQ(test::TempDir::Read(path.string()), old);
            // Let go unwritten: a log made by the taking goes again, an old one stays.
            held.Release();
            EXPECT_EQ(fs::exists(path), there);
            ASSERT_TRUE(second.Take(path, reason)) << reason;
            std::unique_ptr<WritableFile> log = second.Begin();
            ASSERT_NE(log, nullptr);
            EXPECT_TRUE(log->Write(bytes, 2));
            EXPECT_TRUE(log->Close());
            second.Release();
            EXPECT_EQ(test::TempDir::Read(path.string()), Bytes({9, 8}));
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
