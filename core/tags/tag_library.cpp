#include "core/tags/tag_library.h"

#include <string>

#include "core/base/messages.h"
#include "core/system/library_loader.h"

namespace tunvex {
namespace {

template <typename Function>
void Resolve(const TagLibrary& library, const Catalogue& catalogue, unsigned nameId,
             Function*& entry) {
    std::string name;
    LoadCatalogueString(nameId, name,
                        catalogue);  // a missing name resolves nothing and fails the binding
    entry = reinterpret_cast<Function*>(FindEntryPoint(library.module, name));
}

}  // namespace

bool LoadTagLibrary(TagLibrary& library, const Catalogue& catalogue) {
    std::string fileName;
    LoadCatalogueString(kTagLibraryFileName, fileName, catalogue);
    library.module = LoadSharedLibrary(fileName);
    return library.module != nullptr;
}

bool BindEntryPoints(TagLibrary& library, const Catalogue& catalogue) {
    Resolve(library, catalogue, kEntryGetVer, library.getVer);
    Resolve(library, catalogue, kEntryLoad, library.load);
    Resolve(library, catalogue, kEntryGetType, library.getType);
    Resolve(library, catalogue, kEntryGetValue, library.getValue);
    Resolve(library, catalogue, kEntryGetTagType, library.getTagType);
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

bool BindTagLibrary(TagLibrary& library, const Catalogue& catalogue) {
    if (!LoadTagLibrary(library, catalogue)) {
        ShowMessage(kMsgTagLibraryNotLoaded);
        return false;
    }
    unsigned failure = 0;
    if (!BindEntryPoints(library, catalogue)) {
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
