#pragma once

// The tag library as the program sees it: loaded with dlopen from beside the executable.

#include <cstdint>
#include <optional>
#include <string>

namespace tunvex::testing {

class Mp3infpLibrary {
  public:
    // Loads libmp3infp.so from the folder of the running executable; aborts the test on failure.
    static Mp3infpLibrary& Get();

    // True when the file loaded.
    bool Load(const std::string& path) const { return load_(nullptr, path.c_str()) == 0; }
    uint32_t Type() const { return getType_(); }
    uint32_t TagBits() const { return getTagType_(); }
    std::optional<std::string> Value(const std::string& name) const;
    // The raw pointer the library hands out, for checks on its lifetime.
    const char* ValuePointer(const std::string& name) const;

  private:
    Mp3infpLibrary();

    uint32_t (*load_)(void*, const char*);
    uint32_t (*getType_)();
    uint32_t (*getTagType_)();
    uint32_t (*getValue_)(const char*, char**);
};

}  // namespace tunvex::testing
