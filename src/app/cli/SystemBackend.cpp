#include "app/cli/SystemBackend.h"

#include <cstdio>
#include <set>

#include "hid/OpenDeniedNotices.h"
#include "hid/SystemHid.h"

namespace quillon::cli {

std::unique_ptr<HidPlatform> MakeCliSystemHid(const char* command, std::string& reason) {
    std::unique_ptr<HidPlatform> hid = MakeSystemHidPlatform(reason);
    if (auto* notices = dynamic_cast<OpenDeniedNotices*>(hid.get())) {
        // Discovery opens the same node again and again; saying it once is enough.
        auto told = std::make_shared<std::set<std::string>>();
        const std::string name = command;
        notices->OnOpenDenied([told, name](const std::string& node, const std::string& fix) {
            if (!told->insert(node).second) return;
            std::fprintf(stderr, "quillon %s: no permission to open %s: %s\n", name.c_str(),
                         node.c_str(), fix.c_str());
        });
    }
    return hid;
}

}  // namespace quillon::cli
