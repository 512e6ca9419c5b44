// A copy of one of the build's programs in a folder of its own, as a user installs it by hand.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/paths.h"

namespace tunvex::testing {

// The build's program copied into folder as name, the build's files beside it; its path.
inline std::string CopyOfProgram(const std::string& folder, const std::string& name,
                                 const std::vector<std::string>& beside = {"libmp3infp.so"},
                                 const std::string& program = "tunvex") {
    namespace fs = std::filesystem;
    const std::string build = ExecutableDirectory();
    fs::create_directories(folder);
    fs::copy_file(build + "/" + program, folder + "/" + name, fs::copy_options::overwrite_existing);
    for (const std::string& file : beside)
        fs::copy_file(build + "/" + file, folder + "/" + file, fs::copy_options::skip_existing);
    return folder + "/" + name;
}

}  // namespace tunvex::testing
