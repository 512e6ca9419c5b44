// What a removal of a folder's tree would not undo (owner, ACL, xattrs, mount, append-only).
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/owned_fd.h"
#include "tests/support/mount_namespace.h"

namespace tunvex::testing {

// Steps run, last first, when it goes.
struct CleanUp : std::vector<std::function<void()>> {
    CleanUp() = default;
    CleanUp(const CleanUp&) = delete;
    CleanUp& operator=(const CleanUp&) = delete;
    ~CleanUp() {
        std::for_each(rbegin(), rend(), [](const std::function<void()>& step) { step(); });
    }
};

// Sets or clears an inode flag of the folder (FS_IOC_SETFLAGS); false where it cannot.
inline bool SetInodeFlag(const std::string& folder, int flag, bool on) {
    OwnedFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int flags = 0;
    if (fd.get() < 0 || ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0)
        return false;
    flags = on ? flags | flag : flags & ~flag;
    return ioctl(fd.get(), FS_IOC_SETFLAGS, &flags) == 0;
}

// Gives the folder what is asked, or says why this machine cannot. owner, group: another user's
// or group's; setgid: a third group's, set-group-ID, so folders made in it get it too; acl: an
// ACL for nobody; xattr: a user extended attribute; mount: a tmpfs on it; append: only added to,
// so no folder in it can be removed. cleanUp takes back what a removal would not.
inline std::string GiveFolder(const std::string& folder, const std::string& what,
                              CleanUp& cleanUp) {
    const auto failed = [](const char* doing) {
        return std::string(doing) + ": " + std::strerror(errno);
    };
    if (what == "owner" || what == "group" || what == "setgid") {
        uid_t owner = what == "owner" ? 12345 : uid_t(-1);
        gid_t group = what == "group" ? 12346 : what == "setgid" ? 12345 : gid_t(-1);
        if (chown(folder.c_str(), owner, group) != 0 ||
            (what == "setgid" && chmod(folder.c_str(), 02755) != 0))
            return failed("cannot chown");
    } else if (what == "acl") {
        std::system(("setfacl -m u:nobody:rx '" + folder + "' 2>/dev/null").c_str());
        if (getxattr(folder.c_str(), "system.posix_acl_access", nullptr, 0) <= 0)
            return "cannot set an ACL";
    } else if (what == "xattr") {
        if (setxattr(folder.c_str(), "user.comment", "mine", 4, 0) != 0)
            return failed("cannot set an extended attribute");
    } else if (what == "mount") {
        if (std::string whyNot = EnterPrivateMountNamespace(); !whyNot.empty())
            return whyNot;
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4m") != 0)
            return failed("cannot mount");
        cleanUp.push_back([folder] { umount2(folder.c_str(), MNT_DETACH); });
    } else if (what == "append") {
        if (!SetInodeFlag(folder, FS_APPEND_FL, true))
            return failed("cannot make a folder append-only");
        cleanUp.push_back([folder] { SetInodeFlag(folder, FS_APPEND_FL, false); });
    } else {
        ADD_FAILURE() << "no such folder attribute: " << what;
        return "no such folder attribute";
    }
    return {};
}

}  // namespace tunvex::testing
