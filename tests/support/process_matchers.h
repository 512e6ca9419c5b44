// Matchers of what a program of the build printed and exited with, for EXPECT_THAT.
#pragma once

#include <gmock/gmock.h>

#include <ostream>

#include "tests/support/run_process.h"

namespace tunvex::testing {

// A run that exited with status and printed what out and err match (texts or matchers).
template <typename Out, typename Err>
auto Exited(int status, const Out& out, const Err& err) {
    return ::testing::AllOf(::testing::Field("exit status", &ProcessResult::exitStatus, status),
                            ::testing::Field("out", &ProcessResult::out, out),
                            ::testing::Field("err", &ProcessResult::err, err));
}

inline void PrintTo(const ProcessResult& result, std::ostream* os) {
    *os << "exit status " << result.exitStatus << ", out \"" << result.out << "\", err \""
        << result.err << '"';
}

}  // namespace tunvex::testing
