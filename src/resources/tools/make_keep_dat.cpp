// Writes Keep.dat (resources/keep_dat.h) to the path given.

#include <cstdio>
#include <fstream>

#include "resources/keep_dat.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_keep_dat OUTPUT\n");
        return 2;
    }
    const auto bytes = velora::resources::KeepDatBytes();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_keep_dat: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
