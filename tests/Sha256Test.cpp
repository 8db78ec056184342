// The SHA-256 of a file, as the station log records the firmware's, against published digests.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "firmware/Sha256.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

TEST(Sha256, KnownDigests) {
    test::TempDir dir;
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000, 'a'),
         "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    for (const auto& [text, digest] : cases) {
        const std::string path = dir.Write("f", {text.begin(), text.end()});
        EXPECT_EQ(Sha256OfFile(path), digest) << text.size();
    }
}

}  // namespace
}  // namespace quillon
