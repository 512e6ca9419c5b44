// The C boundary: nothing thrown inside may cross it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
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

// Each thread has its own loaded file, so threads reading at once never see each other's values.
thread_local LoadedFile loaded;

std::optional<LoadedFile> LoadFile(const std::string& path) {
    // Opened without blocking and judged by what was opened: a pipe or a device swapped in after
    // any check would block the open or never end, and only plain files hold tags.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info;
    std::optional<mp3infp::ReadResult> result;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        // Everything is read through this one descriptor: what a name stands for cannot change
        // between the sniff and the parse.
        mp3infp::OpenedFile file(fd, static_cast<uint64_t>(info.st_size), path);
        mp3infp::SilenceTagLib();
        result = mp3infp::ReadFileTags(mp3infp::SniffFileKind(file), file);
    }
    close(fd);
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
    return loaded.type;
}

MP3INFP_EXPORT uint32_t mp3infp_mp3_GetTagType(void) {
    return loaded.mp3TagBits;
}

MP3INFP_EXPORT uint32_t mp3infp_GetValue(const char* name, char** value) {
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
