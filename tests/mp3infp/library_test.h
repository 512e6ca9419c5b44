#pragma once

#include <gtest/gtest.h>

#include <clocale>

#include "audio_fixtures.h"
#include "mp3infp_library.h"
#include "tests/support/temp_folder.h"

namespace tunvex::testing {

// Each test gets the library, UTF-8 output and a temp folder for its files.
class LibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr); }

    const Mp3infpLibrary& library = Mp3infpLibrary::Get();
    TempFolder folder;
};

template <typename Param>
class LibraryTestWithParam : public LibraryTest, public ::testing::WithParamInterface<Param> {};

}  // namespace tunvex::testing
