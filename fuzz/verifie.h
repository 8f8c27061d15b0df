#pragma once

#include <cstdio>
#include <cstdlib>

// Aborts, which libFuzzer reports with the input, when a property does not hold.
inline void verifie(bool vrai, const char* quoi) {
    if (vrai) return;
    std::fprintf(stderr, "not true: %s\n", quoi);
    std::abort();
}
