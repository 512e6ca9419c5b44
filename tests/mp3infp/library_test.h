#pragma once

#include <gtest/gtest.h>

#include <iconv.h>

#include <clocale>
#include <string>

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

// utf8 in the code page (iconv's name for it); a text the code page cannot hold fails the test.
inline std::string Encode(const std::string& utf8, const char* codePage) {
    const iconv_t converter = iconv_open(codePage, "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* next = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
    iconv_close(converter);
    EXPECT_NE(result, static_cast<size_t>(-1)) << utf8 << " has no form in " << codePage;
    out.resize(out.size() - outLeft);
    return out;
}

template <typename Param>
class LibraryTestWithParam : public LibraryTest, public ::testing::WithParamInterface<Param> {};

}  // namespace tunvex::testing
