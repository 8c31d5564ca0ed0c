#pragma once

// What the fuzz targets share: a property check that the fuzzer sees as a
// crash.

#include <cstdio>
#include <cstdlib>

// A broken property aborts, which libFuzzer records as a crash with the
// input that caused it.
#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
