// Runs saved inputs through a fuzz target's entry point (LLVMFuzzerTestOneInput) the way
// libFuzzer runs one input, in a plain build: linked with one target's source, it is the test
// that replays that target's seeds and kept findings. Arguments are files or folders (every
// regular file in a folder, in name order). A target reports a broken rule by aborting; the
// input's name is on stderr just before, so a failing finding names itself. Exit status 1 when an
// argument cannot be read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

[[nodiscard]] bool CollectInputs(const fs::path& argument, std::vector<fs::path>& inputs) {
    std::error_code error;
    if (!fs::is_directory(argument, error)) {
        if (!fs::is_regular_file(argument, error)) return false;
        inputs.push_back(argument);
        return true;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
        if (entry.is_regular_file(error)) files.push_back(entry.path());
    }
    if (error) return false;
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!CollectInputs(argv[i], inputs)) {
            std::cerr << argv[i] << ": not a readable file or folder\n";
            return 1;
        }
    }
    for (const fs::path& input : inputs) {
        std::ifstream stream(input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(stream)),
                                std::istreambuf_iterator<char>());
        if (!stream.good() && !stream.eof()) {
            std::cerr << input.string() << ": cannot be read\n";
            return 1;
        }
        std::cerr << "replaying " << input.string() << '\n';
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << inputs.size() << " inputs replayed\n";
    return 0;
}
