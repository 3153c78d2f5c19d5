#include <gtest/gtest.h>

#include "command_test_support.h"

namespace velora::commands {
namespace {

using FramesCommand = testing::CommandTest;

TEST_F(FramesCommand, ListsEveryFrameWithTimesColoursAndText) {
    const Result result = Run({"frames", WriteFile("text.txt", "Hello world. Bye")});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.err, "");
    // First-run settings: wordBase 183, gapDelay 78, Len 18, Punct1 200. The first sentence
    // counts two spaces (step 127); the sentence-end frame is empty; "Bye" restarts at green.
    EXPECT_EQ(result.out,
              "273\t78\t0,255,0\tHello\n"
              "473\t78\t127,128,0\tworld.\n"
              "183\t78\t254,1,0\t\n"
              "237\t78\t0,255,0\tBye\n"
              "The End.\n");
}

TEST_F(FramesCommand, CommandLineSettingsOverrideTheSavedOnes) {
    const std::string file = WriteFile("text.txt", "Hello, 12 x.");
    const Result result = Run({"frames", "--speed", "20", "--boost", "--len", "10", "--punct2",
                               "50", "--num=7", "--punct1", "5", "--no-tintline", file});
    EXPECT_EQ(result.status, kExitSuccess);
    // wordBase 5, gapDelay 2 at speed 20 with Speed Boost.
    EXPECT_EQ(result.out,
              "105\t2\t127,127,127\tHello,\n"
              "32\t2\t127,127,127\t12\n"
              "20\t2\t127,127,127\tx.\n"
              "The End.\n");
}

}  // namespace
}  // namespace velora::commands
