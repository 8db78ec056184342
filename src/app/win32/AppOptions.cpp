#include "app/win32/AppOptions.h"

namespace quillon::win32 {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& options,
                     std::string& error) {
    options = AppOptions{};
    bool haveFile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--simulate") {
            options.simulate = true;
            // The scenario is optional; only a ".json" word after it is taken as one.
            if (i + 1 < args.size() && EndsWith(args[i + 1], ".json")) {
                options.scenario = args[++i];
            }
        } else if (a == "--start") {
            options.start = true;
        } else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        } else if (haveFile) {
            error = "only one firmware file may be given";
            return false;
        } else {
            options.file = a;
            haveFile = true;
        }
    }
    if (options.start && !haveFile) {
        error = "--start needs a firmware file";
        return false;
    }
    return true;
}

}  // namespace quillon::win32
