// The one argument of a benchmark that sizes its vault: --items=N, taken out
// of the arguments Google Benchmark did not know.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Sets `items` from --items=N; false (the reason printed) for any other
// argument or a count that is not positive.
inline bool TakeItemCountArgument(int argc, char** argv, int& items) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--items=", 8) == 0) {
            items = std::atoi(argv[i] + 8);
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    return items > 0;
}
