// The C boundary: nothing thrown inside may cross it.
#include <sys/stat.h>

#include <map>
#include <mutex>
#include <string>

#include "code_page.h"
#include "file_kind.h"
#include "format_readers.h"
#include "mp3infp.h"
#include "quiet_taglib.h"
#include "value_names.h"

#define MP3INFP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint32_t kVersion = 0x0260;
constexpr uint32_t kLoaded = 0;
constexpr uint32_t kNotLoaded = 1;

struct LoadedFile {
    uint32_t type = MP3INFP_TYPE_NONE;
    uint32_t mp3TagBits = 0;
    std::map<std::string, std::string, std::less<>> values;
};

std::mutex stateMutex;
LoadedFile loaded;

std::optional<LoadedFile> LoadFile(const std::string& path) {
    // A pipe or a device would block the open or never end; only plain files hold tags.
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    mp3infp::SilenceTagLib();
    const auto result = mp3infp::ReadFileTags(mp3infp::SniffFileKind(path), path);
    if (!result) {
        return std::nullopt;
    }
    return LoadedFile{result->type, result->type == MP3INFP_TYPE_MP3 ? result->tags.mp3TagBits : 0,
                      mp3infp::ResolveValueNames(result->tags, mp3infp::SystemCodePage())};
}

}  // namespace

MP3INFP_EXPORT uint32_t mp3infp_GetVer(void) {
    return kVersion;
}

MP3INFP_EXPORT uint32_t mp3infp_Load(void* /*window*/, const char* path) {
    const std::lock_guard lock(stateMutex);
    try {
        loaded = LoadedFile{};
        if (path == nullptr) {
            return kNotLoaded;
        }
        auto file = LoadFile(path);
        if (!file) {
            return kNotLoaded;
        }
        loaded = std::move(*file);
        return kLoaded;
    } catch (...) {
        loaded = LoadedFile{};
        return kNotLoaded;
    }
}

MP3INFP_EXPORT uint32_t mp3infp_GetType(void) {
    const std::lock_guard lock(stateMutex);
    return loaded.type;
}

MP3INFP_EXPORT uint32_t mp3infp_mp3_GetTagType(void) {
    const std::lock_guard lock(stateMutex);
    return loaded.mp3TagBits;
}

MP3INFP_EXPORT uint32_t mp3infp_GetValue(const char* name, char** value) {
    const std::lock_guard lock(stateMutex);
    try {
        if (name == nullptr || value == nullptr) {
            return 0;
        }
        const auto found = loaded.values.find(std::string_view(name));
        if (found == loaded.values.end()) {
            return 0;
        }
        *value = found->second.data();
        return 1;
    } catch (...) {
        return 0;
    }
}
