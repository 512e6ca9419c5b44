#include "core/base/text_conversion.h"

#include <iconv.h>
#include <langinfo.h>

namespace tunvex {
namespace {

// CP932 rather than the locale's SHIFT_JIS: glibc's SHIFT_JIS reads 0x5C as a yen sign, and
// here 0x5C is the backslash of the user's folder patterns.
const char* IconvName(CodePage codePage) {
    if (codePage == CodePage::Utf8)
        return "UTF-8";
    if (codePage == CodePage::ShiftJis)
        return "CP932";
    return nl_langinfo(CODESET);
}

bool Convert(const char* from, const char* to, std::string_view text, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string input(text);
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    char* next = output.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size();
    bool ok = iconv(cd, &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &next, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (ok)
        out.assign(output.data(), output.size() - outLeft);
    return ok;
}

}  // namespace

bool SystemTextToUtf8(CodePage codePage, std::string_view text, std::string& out) {
    return Convert(IconvName(codePage), "UTF-8", text, out);
}

bool Utf8ToSystemText(CodePage codePage, std::string_view utf8, std::string& out) {
    return Convert("UTF-8", IconvName(codePage), utf8, out);
}

}  // namespace tunvex
