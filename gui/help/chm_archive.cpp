#include "gui/help/chm_archive.h"

#include <chm_lib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace tunvex {
namespace {

// No page of a help file comes near this; a larger length is a damaged directory.
constexpr LONGUINT64 kMaxObjectBytes = 64 << 20;

enum SystemCode : uint16_t { kContentsFile = 0, kIndexFile = 1, kDefaultTopic = 2, kTitle = 3 };

uint64_t ReadLittle(const unsigned char* bytes, int size) {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// The file is as long as its header says: a cut or padded copy would otherwise show its missing
// pages as blanks.
bool HasItsDeclaredSize(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char header[0x48];
    unsigned char section0[16];
    struct stat info;
    bool whole = fstat(fd, &info) == 0 && pread(fd, header, sizeof header, 0) == sizeof header &&
                 std::memcmp(header, "ITSF", 4) == 0;
    whole = whole &&
            pread(fd, section0, sizeof section0, off_t(ReadLittle(header + 0x38, 8))) ==
                sizeof section0 &&
            ReadLittle(section0 + 8, 8) == uint64_t(info.st_size);
    close(fd);
    return whole;
}

uint16_t ReadLittle16(const std::string& bytes, std::size_t at) {
    return uint16_t(ReadLittle(reinterpret_cast<const unsigned char*>(bytes.data() + at), 2));
}

// #SYSTEM: a 4-byte version, then records of code, length and a NUL-terminated text.
HelpFileInfo ParseSystemRecord(const std::string& system) {
    HelpFileInfo info;
    for (std::size_t at = 4; at + 4 <= system.size();) {
        const uint16_t code = ReadLittle16(system, at);
        const std::size_t length = ReadLittle16(system, at + 2);
        if (at + 4 + length > system.size())
            break;
        std::string text = system.substr(at + 4, length);
        text = text.substr(0, text.find('\0'));
        if (!text.empty() && text.front() == '/')
            text.erase(0, 1);
        switch (code) {
            case kContentsFile:
                info.contentsFile = text;
                break;
            case kIndexFile:
                info.indexFile = text;
                break;
            case kDefaultTopic:
                info.defaultTopic = text;
                break;
            case kTitle:
                info.title = text;
                break;
            default:
                break;
        }
        at += 4 + length;
    }
    return info;
}

int CollectFilePath(chmFile*, chmUnitInfo* unit, void* context) {
    if (unit->flags & CHM_ENUMERATE_FILES)
        static_cast<std::vector<std::string>*>(context)->push_back(unit->path);
    return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

std::unique_ptr<ChmArchive> ChmArchive::Open(const std::string& path) {
    chmFile* file = HasItsDeclaredSize(path) ? chm_open(path.c_str()) : nullptr;
    if (!file)
        return nullptr;
    std::unique_ptr<ChmArchive> archive(new ChmArchive(file));
    std::optional<std::string> system = archive->Read("#SYSTEM");
    if (!system || system->size() < 4)
        return nullptr;
    archive->info_ = ParseSystemRecord(*system);
    return archive;
}

ChmArchive::~ChmArchive() {
    chm_close(file_);
}

std::optional<std::string> ChmArchive::Read(std::string_view path) const {
    std::string objectPath = path.starts_with('/') ? std::string(path) : "/" + std::string(path);
    chmUnitInfo unit;
    if (chm_resolve_object(file_, objectPath.c_str(), &unit) != CHM_RESOLVE_SUCCESS ||
        unit.length > kMaxObjectBytes)
        return std::nullopt;
    std::string content(unit.length, '\0');
    if (unit.length > 0 &&
        chm_retrieve_object(file_, &unit, reinterpret_cast<unsigned char*>(content.data()), 0,
                            LONGINT64(unit.length)) != LONGINT64(unit.length))
        return std::nullopt;
    return content;
}

std::vector<std::string> ChmArchive::FilePaths() const {
    std::vector<std::string> paths;
    chm_enumerate(file_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, CollectFilePath, &paths);
    return paths;
}

}  // namespace tunvex
