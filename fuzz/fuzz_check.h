// Checks inside fuzz targets: a broken property stops the run with a message,
// so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, message)                                                  \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "fuzz check failed at %s:%d: %s (%s)\n", __FILE__, __LINE__, \
                   message, #condition);                                                \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)
