// INI files as the Windows private-profile functions read and write them: sections and keys
// match without regard to letter case, values are trimmed, and a write replaces a value in
// place, adds a new key at the end of its section and a new section at the end of the file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tunvex {

struct ProfileLine {
    std::string text;  // without its line ending
    std::string ending;
};

// A file read once, so that every value of one load comes from the same version of it (and a
// pipe can be read at all).
struct ProfileContent {
    std::vector<ProfileLine> lines;
    bool byteOrderMark = false;
};
// No settings file comes near this; a larger one is not one.
constexpr std::size_t kMaxProfileBytes = 1 << 20;
// What a settings file may be: a regular file, or a pipe (read with a time limit). A device
// such as a terminal would be read without end.
bool IsProfileFileType(mode_t mode);
// A file that cannot be opened (a missing one, say) reads as empty; nullopt when the file is
// not of a type IsProfileFileType accepts, larger than kMaxProfileBytes, or a read fails.
std::optional<ProfileContent> ReadProfile(const std::string& iniPath);

// The value of key, or defaultValue when the section or the key is absent.
std::string ReadProfileString(const ProfileContent& profile, const std::string& section,
                              const std::string& key, const std::string& defaultValue);
// The signed decimal number at the start of the value (0 when there is none); defaultValue
// when the key is absent.
int ReadProfileInt(const ProfileContent& profile, const std::string& section,
                   const std::string& key, int defaultValue);

// How an integer value reads: the signed decimal number at its start, 0 when there is none,
// clamped to the int range.
int ParseProfileInt(const std::string& value);
// How a text value reads: white space around it removed, then one pair of outer quotes.
std::string ParseProfileString(const std::string& value);

struct ProfileEntry {
    std::string key;
    std::string value;
};

// Sets every entry of the section in one replacement of the file (temp file + rename), so a
// reader never sees it half-written and a failure leaves it as it was. False, writing nothing,
// when the file cannot be written: it or its folder is read-only (no write permission bit,
// whoever runs us), it cannot be read whole, or any value holds a line break, which would forge
// other entries.
bool WriteProfileStrings(const std::string& iniPath, const std::string& section,
                         const std::vector<ProfileEntry>& entries);
bool WriteProfileString(const std::string& iniPath, const std::string& section,
                        const std::string& key, const std::string& value);

}  // namespace tunvex
