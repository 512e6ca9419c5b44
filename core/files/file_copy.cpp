#include "core/files/file_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "core/base/retry.h"
#include "core/base/write_all.h"
#include "core/files/file_version.h"
#include "core/files/temporaries.h"

namespace tunvex {
namespace {

constexpr std::size_t kMaxBufferBytes = 1u << 20;

bool KernelCannotCopy(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

// -1 with errno set, or the bytes moved, at most most; 0 only at the end of in.
ssize_t CopyThroughBuffer(int in, int out, std::vector<char>& buffer, std::uint64_t most) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), most));
    ssize_t got = RetryOnInterrupt([&] { return read(in, buffer.data(), wanted); });
    if (got <= 0)
        return got;
    int error = WriteAll(out, buffer.data(), static_cast<std::size_t>(got));
    if (error == 0)
        return got;
    errno = error;
    return -1;
}

// Reads to the end of in, or most bytes, through the session's buffer.
int CopyRest(int in, int out, CopySession& session, const ChunkObserver& observer, bool& cancelled,
             std::uint64_t most = UINT64_MAX) {
    if (session.buffer.empty())
        session.buffer.resize(std::min(session.chunkBytes, kMaxBufferBytes));
    while (most > 0) {
        ssize_t copied = CopyThroughBuffer(in, out, session.buffer, most);
        if (copied <= 0)
            return copied < 0 ? errno : 0;
        most -= static_cast<std::uint64_t>(copied);
        if (observer && !observer(static_cast<std::uint64_t>(copied))) {
            cancelled = true;
            return 0;
        }
    }
    return 0;
}

// From in's position on; exactly: size bytes and not one more (an extent of a sparse file).
int CopyData(int in, int out, std::uint64_t size, CopySession& session,
             const ChunkObserver& observer, bool& cancelled, bool exactly = false) {
    std::uint64_t done = 0;
    while (done < size) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(session.chunkBytes, size - done));
        ssize_t copied =
            RetryOnInterrupt([&] { return copy_file_range(in, nullptr, out, nullptr, chunk, 0); });
        if (copied < 0 && !KernelCannotCopy(errno))
            return errno;
        // Some file systems report 0 before the real end: read/write has the last word.
        if (copied <= 0)
            return CopyRest(in, out, session, observer, cancelled,
                            exactly ? size - done : UINT64_MAX);
        done += static_cast<std::uint64_t>(copied);
        if (observer && !observer(static_cast<std::uint64_t>(copied))) {
            cancelled = true;
            return 0;
        }
    }
    // Files that claim no size (as in /proc) may still have content.
    return size == 0 ? CopyRest(in, out, session, observer, cancelled) : 0;
}

// A file with holes: its data extents only, from where each starts, so that the copy keeps the
// holes (a 3 GB image with nothing written takes nothing); its size sets the end. The holes count
// as copied for the observer.
int CopyExtents(int in, int out, off_t size, CopySession& session, const ChunkObserver& observer,
                bool& cancelled) {
    auto skipped = [&](off_t from, off_t to) {
        cancelled = to > from && observer && !observer(static_cast<std::uint64_t>(to - from));
        return cancelled;
    };
    off_t at = 0;
    while (at < size) {
        off_t data = lseek(in, at, SEEK_DATA);
        if (data < 0 && errno != ENXIO)
            return errno;
        if (data < 0 || data >= size)
            break;
        off_t hole = lseek(in, data, SEEK_HOLE);
        if (hole < 0 || lseek(in, data, SEEK_SET) < 0 || lseek(out, data, SEEK_SET) < 0)
            return errno;
        hole = std::min(hole, size);
        if (skipped(at, data))
            return 0;
        int error = CopyData(in, out, static_cast<std::uint64_t>(hole - data), session, observer,
                             cancelled, true);
        if (error != 0 || cancelled)
            return error;
        at = hole;
    }
    if (skipped(at, size))
        return 0;
    return ftruncate(out, size) == 0 ? 0 : errno;
}

// A file that takes fewer blocks than its size needs has holes (or is compressed, which the
// extents show alike).
bool MayHaveHoles(const struct stat& file) {
    return file.st_size > 0 && file.st_blocks * 512 < file.st_size;
}

constexpr char kAccessAcl[] = "system.posix_acl_access";

unsigned CopyExtendedAttributes(int in, int out) {
    std::string names(4096, '\0');
    ssize_t size = flistxattr(in, names.data(), names.size());
    if (size < 0 && errno == ERANGE) {
        names.resize(static_cast<std::size_t>(std::max<ssize_t>(flistxattr(in, nullptr, 0), 0)));
        size = flistxattr(in, names.data(), names.size());
    }
    unsigned lost = 0;
    std::string value;
    const std::size_t listed = size < 0 ? 0 : static_cast<std::size_t>(size);
    for (std::size_t at = 0; at < listed; at += std::strlen(&names[at]) + 1) {
        const char* name = &names[at];
        bool acl = std::strcmp(name, kAccessAcl) == 0;
        if (!acl && std::strncmp(name, "user.", 5) != 0)
            continue;
        ssize_t length = fgetxattr(in, name, nullptr, 0);
        value.resize(static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
        if (length < 0 || fgetxattr(in, name, value.data(), value.size()) != length ||
            fsetxattr(out, name, value.data(), value.size(), 0) != 0) {
            lost |= acl ? kLostAcl : kLostExtendedAttributes;
        }
    }
    return lost;
}

// Best effort, as cp -p and mv: a destination that refuses one attribute still gets the file.
unsigned CopyAttributes(int in, int out, const struct stat& source) {
    unsigned lost = 0;
    mode_t mode = source.st_mode & 07777;
    if (fchown(out, source.st_uid, source.st_gid) != 0) {
        mode &= static_cast<mode_t>(~(S_ISUID | S_ISGID));
        if (geteuid() == 0)
            lost |= kLostOwner;
    }
    if (fchmod(out, mode) != 0)
        lost |= kLostPermissions;
    lost |= CopyExtendedAttributes(in, out);
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (futimens(out, times) != 0)
        lost |= kLostTimes;
    return lost;
}

// Everything after the temporary exists; 0 or errno.
int FillTemporary(int in, int out, const struct stat& source, CopySession& session,
                  const ChunkObserver& observer, bool& cancelled, unsigned& notKept) {
    int error = MayHaveHoles(source)
                    ? CopyExtents(in, out, source.st_size, session, observer, cancelled)
                    : CopyData(in, out, static_cast<std::uint64_t>(source.st_size), session,
                               observer, cancelled);
    if (error != 0 || cancelled)
        return error;
    notKept = CopyAttributes(in, out, source);
    if (!session.syncData)
        return 0;
    return RetryOnInterrupt([&] { return fsync(out); }) == 0 ? 0 : errno;
}

}  // namespace

int OpenSource(const std::string& source, OwnedFd& opened, struct stat& info) {
    opened = OwnedFd(
        RetryOnInterrupt([&] { return open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
    if (opened.get() < 0)
        return errno;
    return fstat(opened.get(), &info) == 0 ? 0 : errno;
}

StagedCopy CopyToTemporary(const std::string& source, const std::string& folder,
                           CopySession& session, const ChunkObserver& observer) {
    OwnedFd opened;
    struct stat info;
    int error = OpenSource(source, opened, info);
    if (error != 0) {
        StagedCopy staged;
        staged.error = error;
        return staged;
    }
    return CopyToTemporary(std::move(opened), info, folder, session, observer);
}

StagedCopy CopyToTemporary(OwnedFd source, const struct stat& info, const std::string& folder,
                           CopySession& session, const ChunkObserver& observer) {
    StagedCopy staged;
    staged.source = info;
    if (!S_ISREG(info.st_mode)) {
        staged.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return staged;
    }
    int in = source.get();
    std::string temporary;
    int out = CreateTemporary(folder, temporary);
    if (out < 0) {
        staged.error = errno;
        return staged;
    }
    session.chunkBytes = std::max<std::size_t>(session.chunkBytes, 1);
    staged.error =
        FillTemporary(in, out, info, session, observer, staged.cancelled, staged.notKept);
    if (staged.error == 0 && !staged.cancelled && fstat(out, &staged.copy) != 0)
        staged.error = errno;
    // A source written to while it was read would give a copy of a version that never was; an
    // editor saving a new file over it (an unlink) leaves the one read whole.
    struct stat after;
    if (staged.error == 0 && !staged.cancelled &&
        (fstat(in, &after) != 0 || !IsSameVersion(info, after, true)))
        staged.sourceChanged = true;
    source.Reset();
    if (session.syncData) {
        // Network and FUSE file systems may report at the close what the fsync did not; a second
        // descriptor keeps the lock meanwhile.
        staged.lock = HeldTemporary(OwnedFd(fcntl(out, F_DUPFD_CLOEXEC, 0)), staged.copy);
        if (staged.lock.get() < 0 && staged.error == 0)
            staged.error = errno;
        if (close(out) != 0 && staged.error == 0 && errno != EINTR)
            staged.error = errno;
    } else {
        staged.lock = HeldTemporary(OwnedFd(out), staged.copy);
    }
    if (staged.error != 0 || staged.cancelled || staged.sourceChanged) {
        unlink(temporary.c_str());
    } else {
        staged.temporaryPath = temporary;
    }
    return staged;
}

}  // namespace tunvex
