#include "core/tags/tag_library.h"

#include <string>

#include "core/base/catalogue.h"
#include "core/base/messages.h"
#include "core/system/library_loader.h"

namespace tunvex {
namespace {

template <typename Function>
void Resolve(const TagLibrary& library, unsigned nameId, Function*& entry) {
    std::string name;
    LoadCatalogueString(nameId, name);  // a missing name resolves nothing and fails the binding
    entry = reinterpret_cast<Function*>(FindEntryPoint(library.module, name));
}

}  // namespace

bool LoadTagLibrary(TagLibrary& library) {
    std::string fileName;
    LoadCatalogueString(kTagLibraryFileName, fileName);
    library.module = LoadSharedLibrary(fileName);
    return library.module != nullptr;
}

bool BindEntryPoints(TagLibrary& library) {
    Resolve(library, kEntryGetVer, library.getVer);
    Resolve(library, kEntryLoad, library.load);
    Resolve(library, kEntryGetType, library.getType);
    Resolve(library, kEntryGetValue, library.getValue);
    Resolve(library, kEntryGetTagType, library.getTagType);
    return library.getVer && library.load && library.getType && library.getValue &&
           library.getTagType;
}

bool CheckTagLibraryVersion(const TagLibrary& library) {
    return library.getVer() >= kMinimumTagLibraryVersion;
}

TagLibrary::~TagLibrary() {
    if (module != nullptr)
        FreeSharedLibrary(module);
}

void UnloadTagLibrary(TagLibrary& library) {
    if (!FreeSharedLibrary(library.module))
        ShowMessage(kMsgTagLibraryNotUnloaded);
    library.module = nullptr;
}

bool BindTagLibrary(TagLibrary& library) {
    if (!LoadTagLibrary(library)) {
        ShowMessage(kMsgTagLibraryNotLoaded);
        return false;
    }
    unsigned failure = 0;
    if (!BindEntryPoints(library)) {
        failure = kMsgEntryPointsNotLoaded;
    } else if (!CheckTagLibraryVersion(library)) {
        failure = kMsgTagLibraryTooOld;
    }
    if (failure == 0)
        return true;
    UnloadTagLibrary(library);
    ShowMessage(failure);
    return false;
}

}  // namespace tunvex
