#pragma once

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "audio_fixtures.h"
#include "tests/support/temp_folder.h"

namespace tunvex::testing {

// The tag library as the program sees it: loaded with dlopen from beside the executable.
class Mp3infpLibrary {
  public:
    static Mp3infpLibrary& Get() {
        static Mp3infpLibrary library;
        return library;
    }

    // True when the file loaded.
    bool Load(const std::string& path) const { return load_(nullptr, path.c_str()) == 0; }
    uint32_t Type() const { return getType_(); }
    uint32_t TagBits() const { return getTagType_(); }
    // The raw pointer the library hands out, for checks on its lifetime.
    const char* ValuePointer(const std::string& name) const {
        char* value = nullptr;
        return getValue_(name.c_str(), &value) != 0 ? value : nullptr;
    }
    std::optional<std::string> Value(const std::string& name) const {
        const char* value = ValuePointer(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }

  private:
    Mp3infpLibrary()
        : handle_(dlopen(
              (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libmp3infp.so")
                  .c_str(),
              RTLD_NOW | RTLD_LOCAL)) {
        Resolve(load_, "mp3infp_Load");
        Resolve(getType_, "mp3infp_GetType");
        Resolve(getTagType_, "mp3infp_mp3_GetTagType");
        Resolve(getValue_, "mp3infp_GetValue");
    }
    // Aborts the tests when the library or a symbol is missing.
    template <typename Function>
    void Resolve(Function& function, const char* name) {
        void* symbol = handle_ != nullptr ? dlsym(handle_, name) : nullptr;
        if (symbol == nullptr) {
            std::fprintf(stderr, "libmp3infp: %s missing: %s\n", name, dlerror());
            std::abort();
        }
        function = reinterpret_cast<Function>(symbol);
    }

    void* handle_;
    uint32_t (*load_)(void*, const char*) = nullptr;
    uint32_t (*getType_)() = nullptr;
    uint32_t (*getTagType_)() = nullptr;
    uint32_t (*getValue_)(const char*, char**) = nullptr;
};

// Each test gets the library, UTF-8 output and a temp folder for its files.
class LibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr); }

    const Mp3infpLibrary& library = Mp3infpLibrary::Get();
    TempFolder folder;
};

template <typename Param>
class LibraryTestWithParam : public LibraryTest, public ::testing::WithParamInterface<Param> {};

// Values by name; nullopt where the library must answer nothing.
using Values = std::vector<std::pair<const char*, std::optional<std::string>>>;
using Path = const std::string&;
using Writer = std::function<void(Path path)>;

// A writer of write with the arguments after the path fixed.
template <typename... Args>
Writer Bind(void (*write)(const std::string& path, Args...), std::decay_t<Args>... args) {
    return [=](const std::string& path) { write(path, args...); };
}

// A file, the type it loads as (MP3INFP_TYPE_NONE: refused), its values and its MP3 tag bits.
struct FileCase {
    const char* name;
    const char* fileName;
    Writer write;
    uint32_t type;
    Values values{};
    std::optional<uint32_t> bits{};
};

inline void PrintTo(const FileCase& file, std::ostream* out) {
    *out << file.name;
}

class FileTest : public LibraryTestWithParam<FileCase> {};

// Names a parameterised case by its name field, or a pair of them.
struct CaseName {
    template <typename Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return info.param.name;
    }
    template <typename First, typename Second>
    std::string operator()(const ::testing::TestParamInfo<std::tuple<First, Second>>& info) const {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    }
};

}  // namespace tunvex::testing
