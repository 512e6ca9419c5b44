// Runs a program of the build, with no terminal, and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace tunvex::testing {

struct ProcessResult {
    int exitStatus = -1;  // -1: ended by a signal
    std::string out;
    std::string err;
};

// environment entries ("NAME=value") are added to ours, or with an empty value removed.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

}  // namespace tunvex::testing
