// Temporary folders and whole-file reads and writes for tests.
#pragma once

#include <filesystem>
#include <string>

namespace tunvex::testing {

// A folder under base, removed with all it holds; path() empty when base cannot hold one.
class TempFolder {
  public:
    explicit TempFolder(const std::string& base = DefaultBase());
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // $TMPDIR when it is absolute, else /tmp.
    static std::string DefaultBase();

  private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace tunvex::testing
