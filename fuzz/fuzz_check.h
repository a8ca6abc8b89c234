#pragma once
// A broken promise inside a fuzz target stops the run, naming the line of the
// check, so that libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

namespace kvapomer::fuzz {
inline void checkAt(bool condition, int line) {
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}
} // namespace kvapomer::fuzz

#define check(condition) ::kvapomer::fuzz::checkAt(condition, __LINE__)
