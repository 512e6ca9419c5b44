// The run-time binding to the tag library and its five entry points.
#pragma once

#include <cstdint>

#include "core/base/catalogue.h"

namespace tunvex {

constexpr std::uint32_t kMinimumTagLibraryVersion = 0x250;

struct TagLibrary {
    std::uint32_t (*getVer)() = nullptr;
    std::uint32_t (*load)(void* window, const char* path) = nullptr;
    std::uint32_t (*getType)() = nullptr;
    std::uint32_t (*getValue)(const char* name, char** value) = nullptr;
    std::uint32_t (*getTagType)() = nullptr;
    void* module = nullptr;

    TagLibrary() = default;
    TagLibrary(const TagLibrary&) = delete;
    TagLibrary& operator=(const TagLibrary&) = delete;
    // Frees a library still loaded, without a message: UnloadTagLibrary is the way that reports,
    // this one only makes sure that no path leaves it loaded.
    ~TagLibrary();
};

// The steps of binding, each without a message of its own; the catalogue names the library and
// its entry points.
bool LoadTagLibrary(TagLibrary& library, const Catalogue& catalogue = ProgramCatalogue());
bool BindEntryPoints(TagLibrary& library, const Catalogue& catalogue = ProgramCatalogue());
bool CheckTagLibraryVersion(const TagLibrary& library);
// Frees the library (message 604 when that fails) and clears the module handle.
void UnloadTagLibrary(TagLibrary& library);

// Load, bind and check in order; on failure the library is unloaded first (604 if that fails)
// and then the step's message is shown: 601, 602 or 600.
bool BindTagLibrary(TagLibrary& library, const Catalogue& catalogue = ProgramCatalogue());

}  // namespace tunvex
