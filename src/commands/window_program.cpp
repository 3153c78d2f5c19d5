#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "commands/window_commands.h"

namespace velora::commands {

namespace fs = std::filesystem;

fs::path FindWindowProgram(const fs::path& thisProgram) {
    const fs::path folder = thisProgram.parent_path();
    for (const fs::path& candidate :
         {folder / kWindowProgramName, folder / VELORA_WINDOW_PROGRAM_FROM_BINDIR}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal();
    }
    return {};
}

int HandOverToWindowProgram(WindowCommand /*command*/, const CommandContext& context) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path program = error ? fs::path() : FindWindowProgram(self);
    if (program.empty()) {
        context.err << "velora: cannot find " << kWindowProgramName << " beside "
                    << (error ? std::string("this program") : self.string())
                    << " (it opens the windows)\n";
        return kExitInputError;
    }
    // Nothing written so far may be lost when the process image is replaced.
    context.out.flush();
    context.err.flush();
    std::cout.flush();
    std::cerr.flush();

    std::vector<std::string> arguments{program.string()};
    arguments.insert(arguments.end(), context.commandLine.begin(), context.commandLine.end());
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    context.err << "velora: cannot start " << program.string() << ": " << std::strerror(errno)
                << "\n";
    return kExitInputError;
}

}  // namespace velora::commands
