// Public keys of any content, as a base64 line or a .pub file.
#include <string_view>

#include "firmware/signature/MinisignKey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon::signature;
    MinisignKey key;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool ok = ParsePublicKey(text, key, error);
    if (ok != error.empty()) __builtin_trap();
    if (ok) {
        const std::string id = KeyIdText(key.id);
        if (id.size() != 16 || id.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
            __builtin_trap();
        }
    }
    return 0;
}
