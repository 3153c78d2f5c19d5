// The command-line program and the window program: where one finds the other, and the hand-over
// of the window commands with their arguments and exit status.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "command_test_support.h"
#include "commands/command_line.h"
#include "commands/window_commands.h"

namespace velora::commands {
namespace {

namespace fs = std::filesystem;

class WindowProgramTest : public testing::CommandTest {
  protected:
    fs::path Executable(const fs::path& relative) {
        const fs::path path = home_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
};

TEST_F(WindowProgramTest, IsFoundBesideTheProgramElseWhereTheInstallPutsIt) {
    const fs::path program = Executable("usr/bin/velora");
    const fs::path installed = Executable("usr/libexec/velora/velora-window");
    EXPECT_EQ(FindWindowProgram(program), installed);
    const fs::path beside = Executable("usr/bin/velora-window");
    EXPECT_EQ(FindWindowProgram(program), beside);
}

TEST_F(WindowProgramTest, AFileThatCannotRunIsNotTheWindowProgram) {
    fs::create_directories(home_ / "bin");
    std::ofstream(home_ / "bin/velora-window") << "not a program";
    fs::permissions(home_ / "bin/velora-window", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FindWindowProgram(home_ / "bin/velora"), fs::path());
}

// No velora-window lies beside the test program: the hand-over says so and fails.
TEST_F(WindowProgramTest, AMissingWindowProgramIsAnInputError) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCommandLine({"read", "some.txt"}, out, err, HandOverToWindowProgram);
    EXPECT_EQ(status, kExitInputError);
    EXPECT_NE(err.str().find("cannot find velora-window"), std::string::npos) << err.str();
}

// The built programs: velora hands `read` over with its arguments, and the window program's
// message and exit status come back as velora's.
TEST_F(WindowProgramTest, VeloraHandsTheWindowCommandsOver) {
    const std::string missing = (home_ / "missing.txt").string();
    const std::string command = std::string(VELORA_BINARY) + " --maildir " + home_.string() +
                                " read '" + missing + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
        output += buffer.data();
    }
    const int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), kExitInputError);
    EXPECT_EQ(output, "velora: cannot open '" + missing + "': No such file or directory\n");
}

}  // namespace
}  // namespace velora::commands
