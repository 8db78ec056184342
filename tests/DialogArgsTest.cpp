// The command line both dialogs take, one rule for each word.
#include <gtest/gtest.h>

#include "app/DialogArgs.h"

namespace quillon {
namespace {

TEST(DialogArgs, WordsAndWhatTheyMean) {
    struct Case {
        std::vector<std::string> words;
        bool ok;
        bool simulate = false;
        std::string scenario = {}, file = {};
        bool start = false, help = false;
        std::string policy = {};
    };
    const Case cases[] = {
        {{}, true},
        {{"--help"}, true, false, "", "", false, true},
        {{"--simulate"}, true, true},
        {{"--simulate", "bus.json"}, true, true, "bus.json"},
        // A firmware file after --simulate is the file for the path box, not a scenario.
        {{"--simulate", "x.fw"}, true, true, "", "x.fw"},
        {{"--simulate", "bus.json", "--start", "a.fw"}, true, true, "bus.json", "a.fw", true},
        {{"a.fw", "--start"}, true, false, "", "a.fw", true},
        {{"C:\\펌웨어\\固件.fw"}, true, false, "", "C:\\펌웨어\\固件.fw"},
        {{"--start"}, false},
        {{"a.fw", "b.fw"}, false},
        {{"--simulate", "a.json", "b.json"}, false},
        {{"--simulate", "--simulate"}, false},
        {{"--virtual-time"}, false},
        {{"-x"}, false},
        // Qt's own options are not taken either.
        {{"-platform", "offscreen"}, false},
        {{"--policy", "p.json", "a.fw"}, true, false, "", "a.fw", false, false, "p.json"},
        // A policy that was asked for is never silently the system's.
        {{"a.fw", "--policy"}, false},
        {{"--policy", "--start", "a.fw"}, false},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& w : c.words) shown += w + " ";
        SCOPED_TRACE(shown);
        DialogOptions o;
        std::string error;
        ASSERT_EQ(ParseDialogArgs(c.words, o, error), c.ok) << error;
        EXPECT_EQ(error.empty(), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(o.simulate, c.simulate);
        EXPECT_EQ(o.scenario, c.scenario);
        EXPECT_EQ(o.file, c.file);
        EXPECT_EQ(o.start, c.start);
        EXPECT_EQ(o.help, c.help);
        EXPECT_EQ(o.policy, c.policy);
    }
}

}  // namespace
}  // namespace quillon
