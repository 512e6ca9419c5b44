/* Preloaded into tunvex-sort: the first open of $SWAP_ON_OPEN first exchanges it with
 * $SWAP_WITH, as another process swapping the two names between a check and the open would. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Open(const char* name, const char* path, int flags, mode_t mode) {
    static int swapped;
    const char* target = getenv("SWAP_ON_OPEN");
    const char* other = getenv("SWAP_WITH");
    if (!swapped && target && other && strcmp(path, target) == 0) {
        swapped = 1;
        renameat2(AT_FDCWD, target, AT_FDCWD, other, RENAME_EXCHANGE);
    }
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, name);
    return real(path, flags, mode);
}

#define INTERPOSE(name)                                                              \
    int name(const char* path, int flags, ...) {                                     \
        va_list arguments;                                                           \
        va_start(arguments, flags);                                                  \
        mode_t mode = flags & (O_CREAT | O_TMPFILE) ? va_arg(arguments, mode_t) : 0; \
        va_end(arguments);                                                           \
        return Open(#name, path, flags, mode);                                       \
    }

INTERPOSE(open)
INTERPOSE(open64)
