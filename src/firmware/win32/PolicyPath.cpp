#include <shlobj.h>
#include <windows.h>

#include <filesystem>

#include "firmware/signature/Policy.h"

namespace quillon::signature {

std::string DefaultPolicyPath() {
    // The machine's folder, not %ProgramData% from the environment, which any user can point
    // elsewhere to escape the policy.
    PWSTR folder = nullptr;
    std::filesystem::path base;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &folder))) {
        base = folder;
    } else {
        base = L"C:\\ProgramData";
    }
    ::CoTaskMemFree(folder);
    const std::u8string utf8 = (base / L"Quillon" / L"policy.json").u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace quillon::signature
