#include <malloc.h>

#include "app/command_line.h"

int main(int argc, char** argv) {
    // No fast bins: a large folder's listing frees hundreds of thousands of small blocks, and
    // glibc's later consolidation of the fast bins cost about a tenth of the listing. Small
    // blocks still come from the per-thread cache.
    mallopt(M_MXFAST, 0);
    return velora::app::RunCommandLine(argc, argv);
}
