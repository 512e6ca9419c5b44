#include "core/system/library_loader.h"

#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include "core/base/paths.h"

namespace tunvex {

std::string PlatformLibraryFileName(const std::string& catalogueName) {
    std::string name = catalogueName;
    std::size_t dot = FindExtension(CodePage::Utf8, name);
    if (dot != std::string::npos && strcasecmp(name.c_str() + dot, ".dll") == 0)
        name.resize(dot);
    std::string base = name;
    StripToFileName(CodePage::Utf8, base);
    return name.substr(0, name.size() - base.size()) + "lib" + base + ".so";
}

void* LoadSharedLibrary(const std::string& catalogueName) {
    if (catalogueName.empty())
        return nullptr;
    std::string fileName = PlatformLibraryFileName(catalogueName);
    std::string ourFolder = ExecutableDirectory();
    std::string besideUs = ourFolder + kPathSeparator + fileName;
    if (!ourFolder.empty() && fileName.find(kPathSeparator) == std::string::npos &&
        access(besideUs.c_str(), F_OK) == 0) {
        return dlopen(besideUs.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindEntryPoint(void* library, const std::string& name) {
    if (!library || name.empty())
        return nullptr;
    return dlsym(library, name.c_str());
}

bool FreeSharedLibrary(void* library) {
    return library && dlclose(library) == 0;
}

}  // namespace tunvex
