// The catalogue with one entry replaced, or removed (nullopt), to drive failure paths.
#pragma once

#include <optional>
#include <string>

#include "core/base/catalogue.h"

namespace tunvex::testing {

inline Catalogue CatalogueWith(unsigned id, const std::optional<std::string>& text) {
    Catalogue catalogue = ProgramCatalogue();
    if (text)
        catalogue[id] = *text;
    else
        catalogue.erase(id);
    return catalogue;
}

}  // namespace tunvex::testing
