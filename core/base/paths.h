// Path operations of the platform, on narrow paths in the system code page with '/' as the
// separator.
#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/base/text.h"

namespace tunvex {

// A path and its terminating NUL must fit in this many bytes.
constexpr std::size_t kMaxPath = PATH_MAX;
constexpr char kPathSeparator = '/';
// Bytes in one element of a path.
constexpr std::size_t kMaxNameLength = NAME_MAX;

// Joins part onto path: leading separators of part are skipped, exactly one separator stands
// between the two, an empty path gives part alone. A "." or ".." element of part becomes "_" or
// "__", so that a joined part never leaves the folder it is joined to. False, with path
// unchanged, when the result would not fit in kMaxPath.
bool AppendPathPart(CodePage codePage, std::string& path, std::string_view part);

// Cuts every element of part to kMaxNameLength bytes, the last one to lastElementReserve bytes
// fewer, at a character boundary.
void LimitElementLengths(CodePage codePage, std::string& part, std::size_t lastElementReserve);

// Cuts the file name name to at most limit bytes at a character boundary, from the end of the
// text before its extension; the extension stays unless it alone leaves no room.
void LimitFileNameLength(CodePage codePage, std::string& name, std::size_t limit);

// Reduces path to the text after its last separator.
void StripToFileName(CodePage codePage, std::string& path);

// Position of the extension's dot: the last '.' with no separator or space after it; npos if
// there is none.
std::size_t FindExtension(CodePage codePage, std::string_view path);

// Replaces the extension (or appends one when there is none). False, with path unchanged, when
// the result would not fit in kMaxPath.
bool RenameExtension(CodePage codePage, std::string& path, std::string_view extension);

// Removes "." elements and resolves ".." elements against the element before them, without
// looking at the file system. ".." never climbs above the root.
std::string CanonicalizePath(CodePage codePage, std::string_view path);

// True only for an existing folder (links followed).
bool IsDirectory(const std::string& path);

// Full path of the running executable and its folder; empty when they cannot be read.
std::string ExecutablePath();
std::string ExecutableDirectory();
// The executable's file name without folder and extension: the program's name in message
// captions, its guard and its INI file.
std::string ExecutableBaseName();

}  // namespace tunvex
