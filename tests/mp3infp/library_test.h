#pragma once

#include <gtest/gtest.h>

#include <iconv.h>

#include <clocale>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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

// Values by name; nullopt where the library must answer nothing.
using Values = std::vector<std::pair<const char*, std::optional<std::string>>>;
using Writer = std::function<void(const std::string& path)>;

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

}  // namespace tunvex::testing
