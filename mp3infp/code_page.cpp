#include "code_page.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <memory>
#include <string_view>
#include <vector>

namespace mp3infp {
namespace {

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Glibc names Shift-JIS locales several ways; Windows software expects Microsoft's CP932 variant.
bool IsShiftJisName(const std::string& upperName) {
    constexpr std::array<std::string_view, 6> kNames = {"SHIFT_JIS", "SHIFT-JIS",   "SJIS",
                                                        "CP932",     "WINDOWS-31J", "MS_KANJI"};
    return std::find(kNames.begin(), kNames.end(), upperName) != kNames.end();
}

// Opening a converter looks up and loads its tables, costlier than most conversions: each thread
// keeps the converters it opened, and a conversion starts from a reset state.
class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(Cached(to, from)) {
        if (IsOpen()) {
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
    }

    bool IsOpen() const { return handle_ != kNotOpen; }

    // Converts as much of input as possible; returns the number of bytes consumed.
    size_t Convert(std::string_view input, std::string& output) {
        auto* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        std::array<char, 256> buffer{};
        while (inLeft > 0) {
            char* out = buffer.data();
            size_t outLeft = buffer.size();
            const size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer.data(), buffer.size() - outLeft);
            if (result == static_cast<size_t>(-1) && errno != E2BIG) {
                break;
            }
        }
        return input.size() - inLeft;
    }

  private:
    static inline const iconv_t kNotOpen = reinterpret_cast<iconv_t>(-1);

    struct Opened {
        std::string to;
        std::string from;
        iconv_t handle;
        Opened(const char* toName, const char* fromName)
            : to(toName), from(fromName), handle(iconv_open(toName, fromName)) {}
        ~Opened() {
            if (handle != kNotOpen) {
                iconv_close(handle);
            }
        }
        Opened(const Opened&) = delete;
        Opened& operator=(const Opened&) = delete;
    };

    static iconv_t Cached(const char* to, const char* from) {
        thread_local std::vector<std::unique_ptr<Opened>> opened;
        for (const auto& entry : opened) {
            if (entry->to == to && entry->from == from) {
                return entry->handle;
            }
        }
        return opened.emplace_back(std::make_unique<Opened>(to, from))->handle;
    }

    iconv_t handle_;
};

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

}  // namespace

std::string SystemCodePage() {
    const char* codeset = nl_langinfo(CODESET);
    const std::string name = UpperCase(codeset != nullptr ? codeset : "");
    if (name.empty() || name == "ANSI_X3.4-1968" || name == "UTF8" || name == "UTF-8") {
        return "UTF-8";
    }
    return IsShiftJisName(name) ? "CP932" : name;
}

std::string FromUtf8(std::string_view utf8, const std::string& codePage) {
    if (codePage == "UTF-8") {
        return std::string(utf8);
    }
    Converter converter(codePage.c_str(), "UTF-8");
    if (!converter.IsOpen()) {
        return std::string(utf8);
    }
    std::string output;
    while (!utf8.empty()) {
        utf8.remove_prefix(converter.Convert(utf8, output));
        if (!utf8.empty()) {
            output += '?';
            const size_t skip = Utf8SequenceLength(static_cast<unsigned char>(utf8.front()));
            utf8.remove_prefix(std::min(skip, utf8.size()));
        }
    }
    return output;
}

std::optional<std::string> ToUtf8(std::string_view bytes, const char* codePage) {
    Converter converter("UTF-8", codePage);
    if (!converter.IsOpen()) {
        return std::nullopt;
    }
    std::string output;
    if (converter.Convert(bytes, output) != bytes.size()) {
        return std::nullopt;
    }
    return output;
}

}  // namespace mp3infp
