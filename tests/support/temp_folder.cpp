#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tunvex::testing {

TempFolder::TempFolder(const std::string& base) {
    std::string pattern = base + "/tunvex-test-XXXXXX";
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::DefaultBase() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

}  // namespace tunvex::testing
