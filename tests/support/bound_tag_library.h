// The tag library of the given catalogue name, bound for as long as the object lives.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/tags/tag_library.h"
#include "tests/support/catalogue_with.h"

namespace tunvex::testing {

class BoundTagLibrary {
  public:
    explicit BoundTagLibrary(const std::string& fileName = "mp3infp.dll") {
        bound_ = BindTagLibrary(library_, CatalogueWith(kTagLibraryFileName, fileName));
        EXPECT_TRUE(bound_) << fileName;
    }
    ~BoundTagLibrary() {
        if (bound_)
            UnloadTagLibrary(library_);
    }
    BoundTagLibrary(const BoundTagLibrary&) = delete;
    BoundTagLibrary& operator=(const BoundTagLibrary&) = delete;

    const TagLibrary& get() const { return library_; }

  private:
    TagLibrary library_;
    bool bound_ = false;
};

}  // namespace tunvex::testing
