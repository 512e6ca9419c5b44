/* Preloaded into tunvex-sort: the first open of $SWAP_ON_OPEN first exchanges it with
 * $SWAP_WITH, as another process swapping the two names between a check and the open would. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int swapped;

static void SwapBeforeOpen(const char* path) {
    const char* target = getenv("SWAP_ON_OPEN");
    const char* other = getenv("SWAP_WITH");
    if (!swapped && target && other && strcmp(path, target) == 0) {
        swapped = 1;
        renameat2(AT_FDCWD, target, AT_FDCWD, other, RENAME_EXCHANGE);
    }
}

static int RealOpen(const char* name, const char* path, int flags, mode_t mode) {
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, name);
    return real(path, flags, mode);
}

#define INTERPOSE(name)                            \
    int name(const char* path, int flags, ...) {   \
        mode_t mode = 0;                           \
        if (flags & (O_CREAT | O_TMPFILE)) {       \
            va_list arguments;                     \
            va_start(arguments, flags);            \
            mode = va_arg(arguments, mode_t);      \
            va_end(arguments);                     \
        }                                          \
        SwapBeforeOpen(path);                      \
        return RealOpen(#name, path, flags, mode); \
    }

INTERPOSE(open)
INTERPOSE(open64)
