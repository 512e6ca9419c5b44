// Shared libraries loaded at run time by their Windows file name.
#pragma once

#include <string>

namespace tunvex {

// "name.dll" -> "libname.so".
std::string PlatformLibraryFileName(const std::string& catalogueName);

// Looks in the executable's folder first, then where the dynamic loader looks; null on failure.
void* LoadSharedLibrary(const std::string& catalogueName);
// Null when the library has no entry point of exactly that name.
void* FindEntryPoint(void* library, const std::string& name);
bool FreeSharedLibrary(void* library);

}  // namespace tunvex
