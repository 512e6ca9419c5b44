#include "core/files/file_version.h"

namespace tunvex {

bool IsSameVersion(const struct stat& before, const struct stat& now, bool linksMayChange) {
    bool sameChange = now.st_ctim.tv_sec == before.st_ctim.tv_sec &&
                      now.st_ctim.tv_nsec == before.st_ctim.tv_nsec;
    return now.st_size == before.st_size && now.st_mtim.tv_sec == before.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == before.st_mtim.tv_nsec &&
           (sameChange || (linksMayChange && now.st_nlink != before.st_nlink));
}

}  // namespace tunvex
