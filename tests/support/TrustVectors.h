// The keys and signatures that minisign made for the tests (tests/trust/make-vectors.sh): fw.fw,
// the key pairs a and b, and signatures of fw.fw.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "firmware/signature/MinisignKey.h"
#include "support/TempDir.h"

namespace quillon::test {

inline std::string Vector(const std::string& name) {
    return std::string(QUILLON_TRUST_VECTORS) + "/" + name;
}

inline std::string Text(const std::string& path) {
    const std::vector<std::uint8_t> b = TempDir::Read(path);
    return {b.begin(), b.end()};
}

// The "RW..." line of a minisign .pub file.
inline std::string KeyLine(const std::string& pub) {
    const std::string text = Text(Vector(pub));
    const std::size_t start = text.find('\n') + 1;
    return text.substr(start, text.find('\n', start) - start);
}

// $A and $B in a policy's text stand for the two keys' lines.
inline std::string WithKeys(std::string text) {
    for (const auto& [mark, pub] : {std::pair{"$A", "a.pub"}, std::pair{"$B", "b.pub"}}) {
        for (std::size_t at; (at = text.find(mark)) != std::string::npos;) {
            text.replace(at, 2, KeyLine(pub));
        }
    }
    return text;
}

// A key's id as minisign prints it.
inline std::string IdOf(const std::string& pub) {
    signature::MinisignKey key;
    std::string error;
    EXPECT_TRUE(signature::ParsePublicKey(Text(Vector(pub)), key, error)) << error;
    return signature::KeyIdText(key.id);
}

}  // namespace quillon::test
