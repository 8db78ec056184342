// Quillon.exe's command line.
#include <gtest/gtest.h>

#include "app/win32/AppOptions.h"

namespace quillon::win32 {
namespace {

TEST(AppOptions, WordsAndWhatTheyMean) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        bool simulate;
        std::string scenario, file;
        bool start;
    };
    const std::vector<Case> cases = {
        {{}, true, false, "", "", false},
        {{"--simulate"}, true, true, "", "", false},
        {{"--simulate", "bus.json"}, true, true, "bus.json", "", false},
        // A firmware file after --simulate is the file, not a scenario.
        {{"--simulate", "a.fw"}, true, true, "", "a.fw", false},
        {{"--simulate", "bus.json", "--start", "a.fw"}, true, true, "bus.json", "a.fw", true},
        {{"a.fw", "--start"}, true, false, "", "a.fw", true},
        {{"C:\\펌웨어\\固件.fw"}, true, false, "", "C:\\펌웨어\\固件.fw", false},
        {{"--start"}, false, false, "", "", true},
        {{"a.fw", "b.fw"}, false, false, "", "a.fw", false},
        {{"--virtual-time"}, false, false, "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front() + " ... " + c.args.back());
        AppOptions o;
        std::string error;
        ASSERT_EQ(ParseAppOptions(c.args, o, error), c.ok) << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(o.simulate, c.simulate);
        EXPECT_EQ(o.scenario, c.scenario);
        EXPECT_EQ(o.file, c.file);
        EXPECT_EQ(o.start, c.start);
    }
}

}  // namespace
}  // namespace quillon::win32
