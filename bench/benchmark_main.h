// The main of a benchmark program that also writes the input its timing script feeds to velora.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace velora::bench {

// `PROGRAM OPTION N` prints generate(N) for N > 0 (exit 2 for any other N); every other command
// line runs the program's benchmarks.
template <typename Generate>
int RunBenchmarksOrGenerate(int argc, char** argv, const char* option, const char* what,
                            Generate generate) {
    if (argc == 3 && std::strcmp(argv[1], option) == 0) {
        const long long count = std::atoll(argv[2]);
        if (count <= 0) {
            std::cerr << argv[0] << ": " << option << " needs a positive " << what << "\n";
            return 2;
        }
        std::cout << generate(count);
        return std::cout ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace velora::bench
