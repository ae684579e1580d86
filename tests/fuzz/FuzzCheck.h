#pragma once

#include <cstdlib>

// A broken promise ends the run as a crash, which the fuzzer reports with its input. No
// message: the fuzz runs close the program's own output streams.
#define FUZZ_CHECK(condition)           \
    do {                                \
        if (!(condition)) std::abort(); \
    } while (false)
