// Usage errors of every command: status 2, nothing on stdout, the reason and the usage text on
// stderr.

#include <gtest/gtest.h>

#include "command_test_support.h"

namespace velora::commands {
namespace {

using CommandUsage = testing::CommandTest;

TEST_F(CommandUsage, NamesTheReasonAndPrintsTheUsage) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"bogus"}, "unknown subcommand 'bogus'"},
        {{"--maildir"}, "--maildir needs a path"},
        {{"--scale", "0"}, "--scale needs a whole number from 1 to 16"},
        {{"--scale=3", "list"}, "list: unexpected argument '--scale=3'"},
        {{"body"}, "body: name a message file, or - for standard input"},
        {{"document", "--raw=1"}, "document: unknown option '--raw=1'"},
        {{"frames", "--speed"}, "frames: --speed needs N"},
        {{"frames", "--num=99999999999"}, "frames: --num needs a whole number, not '99999999999'"},
        {{"frames", "--tint"}, "frames: unknown option '--tint'"},
        {{"list", "--sort"}, "--sort needs read, sender or date"},
        {{"list", "--sort=size"}, "--sort takes read, sender or date, not 'size'"},
        {{"read", "--scale"}, "read: --scale needs a number"},
        {{"read", "--scale=17"}, "read: --scale needs a whole number from 1 to 16"},
    };
    for (const auto& [arguments, reason] : cases) {
        const Result result = Run(arguments);
        EXPECT_EQ(result.status, kExitUsageError) << reason;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "velora: " + reason + "\n\n" + UsageText());
    }
}

}  // namespace
}  // namespace velora::commands
