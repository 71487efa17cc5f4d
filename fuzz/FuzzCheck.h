// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A broken expectation is a finding: print it and abort, so libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: expected %s\n", __FILE__, __LINE__, #condition);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
