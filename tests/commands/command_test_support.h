#pragma once
// One test of the command line in a temporary home (harness/maildir_fixture.h): saved settings
// and stores never touch the user's, and Maildir stores can be built under it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commands/command_line.h"
#include "commands/window_commands.h"
#include "harness/maildir_fixture.h"

namespace velora::commands::testing {

class CommandTest : public ::testing::Test {
  protected:
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        return velora::testing::MaildirFixture::WriteFile(home_ / name, bytes).string();
    }

    struct Result {
        int status;
        std::string out;
        std::string err;
    };

    Result Run(const std::vector<std::string>& arguments) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunCommandLine(arguments, out, err, RunWindowCommand);
        return {status, out.str(), err.str()};
    }

    velora::testing::MaildirFixture fixture_;
    const std::filesystem::path& home_ = fixture_.Root();
};

}  // namespace velora::commands::testing
