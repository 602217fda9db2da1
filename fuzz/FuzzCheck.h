#pragma once
// What every fuzz target shares: a check that holds for any input (a broken one aborts, so
// libFuzzer keeps the input as a finding), and the test for the errors an input may cause.
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "Error.h"

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

// True when the error is of one of the named kinds, the only failures an input may cause.
inline bool IsOneOf(const AppError& error, std::initializer_list<ErrorKind> kinds) {
    for (const ErrorKind kind : kinds) {
        if (error.Kind() == kind) return true;
    }
    return false;
}

}  // namespace fuzz
