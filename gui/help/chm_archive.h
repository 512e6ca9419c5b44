// A compiled HTML help file (.chm), read through libchm.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

namespace tunvex {

// What the archive says about itself (its #SYSTEM record); paths without a leading slash.
struct HelpFileInfo {
    std::string title;
    std::string defaultTopic;
    std::string contentsFile;
    std::string indexFile;
};

class ChmArchive {
  public:
    // nullptr when the file is missing or is no readable help file.
    static std::unique_ptr<ChmArchive> Open(const std::string& path);
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    const HelpFileInfo& info() const { return info_; }
    // The object at path ("index.html" or "/index.html", letter case ignored as the format
    // does); nullopt when it is absent or cannot be read whole.
    std::optional<std::string> Read(std::string_view path) const;
    // Every file the archive holds, with a leading slash, the format's own records left out.
    std::vector<std::string> FilePaths() const;

  private:
    explicit ChmArchive(chmFile* file) : file_(file) {}
    chmFile* file_;
    HelpFileInfo info_;
};

}  // namespace tunvex
