#include <gtest/gtest.h>

#include <algorithm>

#include "command_test_support.h"

namespace velora::commands {
namespace {

using ReadCommand = testing::CommandTest;

// Only the paths that end before the device screen opens are run here; the window itself is
// covered by the Reader window tests.
TEST_F(ReadCommand, MissingFileIsAOneLineInputErrorBeforeAnyWindow) {
    const Result result = Run({"read", (home_ / "no-such.txt").string()});
    EXPECT_EQ(result.status, kExitInputError);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    EXPECT_NE(result.err.find("no-such.txt"), std::string::npos);
    EXPECT_EQ(result.out, "");

    const Result message = Run({"read", "--message", (home_ / "no-such.eml").string()});
    EXPECT_EQ(message.status, kExitInputError);
}

}  // namespace
}  // namespace velora::commands
