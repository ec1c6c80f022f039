// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the fuzzer with the invariant that broke, so the input that broke it is saved.
inline void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}
