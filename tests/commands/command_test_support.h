#pragma once
// A temporary home for one test of the command line: VELORA_HOME and the XDG folders point into a
// fresh folder (removed afterwards), so saved settings and stores never touch the user's.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "commands/command_line.h"
#include "commands/window_commands.h"

namespace velora::commands::testing {

class CommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        home_ = std::filesystem::temp_directory_path() /
                ("velora-command-test-" + std::to_string(random()));
        std::filesystem::create_directories(home_);
        for (const char* name :
             {"VELORA_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
            ::setenv(name, (home_ / name).c_str(), 1);
        }
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = home_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
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

    std::filesystem::path home_;
};

}  // namespace velora::commands::testing
