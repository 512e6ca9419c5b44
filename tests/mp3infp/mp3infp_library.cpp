#include "mp3infp_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tunvex::testing {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "libmp3infp: %s\n", what.c_str());
    std::abort();
}

template <typename Function>
Function Resolve(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        Fail(std::string("missing symbol ") + name);
    }
    return reinterpret_cast<Function>(symbol);
}

}  // namespace

Mp3infpLibrary& Mp3infpLibrary::Get() {
    static Mp3infpLibrary library;
    return library;
}

Mp3infpLibrary::Mp3infpLibrary() {
    const auto path =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libmp3infp.so";
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        Fail(dlerror());
    }
    load_ = Resolve<decltype(load_)>(handle, "mp3infp_Load");
    getType_ = Resolve<decltype(getType_)>(handle, "mp3infp_GetType");
    getTagType_ = Resolve<decltype(getTagType_)>(handle, "mp3infp_mp3_GetTagType");
    getValue_ = Resolve<decltype(getValue_)>(handle, "mp3infp_GetValue");
}

const char* Mp3infpLibrary::ValuePointer(const std::string& name) const {
    char* value = nullptr;
    return getValue_(name.c_str(), &value) != 0 ? value : nullptr;
}

std::optional<std::string> Mp3infpLibrary::Value(const std::string& name) const {
    const char* value = ValuePointer(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace tunvex::testing
