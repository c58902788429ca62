// What every fuzz target uses to report a broken expectation: a message on
// stderr and abort(), which libFuzzer records as a crash with its input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, ...)                                                                 \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed at %s:%d: %s\n", __FILE__, __LINE__, #condition);   \
            std::fprintf(stderr, "" __VA_ARGS__);                                                  \
            std::fprintf(stderr, "\n");                                                            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
