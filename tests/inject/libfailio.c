// Preloaded into a process to make its writes fail as on a full or broken disk.
//
//   NOTELLA_FAIL=ops:ERRNO:call=K         the K-th matching call and every later one fail
//   NOTELLA_FAIL=ops:ERRNO:after_bytes=N  writes stop after N bytes (the crossing one is short)
//   NOTELLA_FAIL_DIR=/dir                 only paths under /dir are hit
//
// ops is a '+'-separated list of read, write, fsync, rename, link ("write" covers pwrite,
// "fsync" fdatasync, "rename" renameat and renameat2); ERRNO is ENOSPC or EIO. The variables
// are read at every call, so a test switches the failure on and off with setenv; a changed
// NOTELLA_FAIL starts the count again. Without NOTELLA_FAIL, the first line of the file named
// by NOTELLA_FAIL_FILE takes its place: a script switches a running program's disk that way.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static pthread_mutex_t Lock = PTHREAD_MUTEX_INITIALIZER;
static char LastSetting[256];
static long long Calls, Bytes;
// The failure plan file is read with the real call: its own read must not be planned.
static __thread int ReadingPlan;

static void* Next(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

static int UnderDir(const char* path) {
    const char* dir = getenv("NOTELLA_FAIL_DIR");
    if (!dir || !*dir)
        return 1;
    const size_t n = strlen(dir);
    return strncmp(path, dir, n) == 0 && (path[n] == '/' || path[n] == '\0' || dir[n - 1] == '/');
}

static int FdUnderDir(int fd) {
    char link[64], path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = '\0';
    return UnderDir(path);
}

static int PathUnderDir(int dirfd, const char* path) {
    if (path[0] == '/')
        return UnderDir(path);
    char base[PATH_MAX], full[PATH_MAX * 2];
    if (dirfd == AT_FDCWD) {
        if (!getcwd(base, sizeof base))
            return 0;
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        const ssize_t n = readlink(link, base, sizeof base - 1);
        if (n <= 0)
            return 0;
        base[n] = '\0';
    }
    snprintf(full, sizeof full, "%s/%s", base, path);
    return UnderDir(full);
}

static int Active(void) {
    return getenv("NOTELLA_FAIL") || getenv("NOTELLA_FAIL_FILE");
}

// How many of `size` bytes may go out (size itself when the call is not hit); -1 with
// errno set when the call fails.
static ssize_t Allowed(const char* op, size_t size) {
    const char* setting = getenv("NOTELLA_FAIL");
    char line[256] = "";
    const char* file = getenv("NOTELLA_FAIL_FILE");
    if ((!setting || !*setting) && file) {
        const int fd = open(file, O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ReadingPlan = 1;
            const ssize_t n = read(fd, line, sizeof line - 1);
            ReadingPlan = 0;
            line[n > 0 ? n : 0] = '\0';
            line[strcspn(line, "\r\n")] = '\0';
            close(fd);
        }
        setting = line;
    }
    if (!setting || !*setting)
        return (ssize_t)size;
    pthread_mutex_lock(&Lock);
    if (strncmp(setting, LastSetting, sizeof LastSetting) != 0) {
        snprintf(LastSetting, sizeof LastSetting, "%s", setting);
        Calls = Bytes = 0;
    }
    char copy[256];
    snprintf(copy, sizeof copy, "%s", setting);
    pthread_mutex_unlock(&Lock);

    char* save = NULL;
    const char* ops = strtok_r(copy, ":", &save);
    const char* err = strtok_r(NULL, ":", &save);
    const char* when = strtok_r(NULL, ":", &save);
    if (!ops || !err || !when)
        return (ssize_t)size;
    int matched = 0;
    char* save2 = NULL;
    for (char* o = strtok_r((char*)ops, "+", &save2); o; o = strtok_r(NULL, "+", &save2))
        matched |= strcmp(o, op) == 0;
    if (!matched)
        return (ssize_t)size;
    const int e = strcmp(err, "EIO") == 0 ? EIO : ENOSPC;

    ssize_t result = (ssize_t)size;
    pthread_mutex_lock(&Lock);
    ++Calls;
    if (strncmp(when, "call=", 5) == 0) {
        if (Calls >= atoll(when + 5))
            result = -1;
    } else if (strncmp(when, "after_bytes=", 12) == 0) {
        const long long room = atoll(when + 12) - Bytes;
        if (room <= 0)
            result = -1;
        else if ((long long)size > room)
            result = (ssize_t)room;
        if (result > 0)
            Bytes += result;
    }
    pthread_mutex_unlock(&Lock);
    if (result < 0)
        errno = e;
    return result;
}

ssize_t read(int fd, void* buf, size_t count) {
    static ssize_t (*real)(int, void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, void*, size_t))Next("read");
    if (!ReadingPlan && getenv("NOTELLA_FAIL") && count > 0 && FdUnderDir(fd)) {
        const ssize_t n = Allowed("read", count);
        if (n < 0)
            return -1;
        count = (size_t)n;
    }
    return real(fd, buf, count);
}

ssize_t write(int fd, const void* buf, size_t count) {
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))Next("write");
    if (Active() && count > 0 && FdUnderDir(fd)) {
        const ssize_t n = Allowed("write", count);
        if (n < 0)
            return -1;
        count = (size_t)n;
    }
    return real(fd, buf, count);
}

ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t, off_t))Next("pwrite");
    if (Active() && count > 0 && FdUnderDir(fd)) {
        const ssize_t n = Allowed("write", count);
        if (n < 0)
            return -1;
        count = (size_t)n;
    }
    return real(fd, buf, count, offset);
}

static int FailSync(int fd) {
    return Active() && FdUnderDir(fd) && Allowed("fsync", 0) < 0;
}

int fsync(int fd) {
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))Next("fsync");
    return FailSync(fd) ? -1 : real(fd);
}

int fdatasync(int fd) {
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))Next("fdatasync");
    return FailSync(fd) ? -1 : real(fd);
}

static int FailPair(const char* op, int fromDir, const char* from, int toDir, const char* to) {
    return Active() && (PathUnderDir(fromDir, from) || PathUnderDir(toDir, to)) &&
           Allowed(op, 0) < 0;
}

int rename(const char* from, const char* to) {
    static int (*real)(const char*, const char*);
    if (!real)
        real = (int (*)(const char*, const char*))Next("rename");
    return FailPair("rename", AT_FDCWD, from, AT_FDCWD, to) ? -1 : real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static int (*real)(int, const char*, int, const char*);
    if (!real)
        real = (int (*)(int, const char*, int, const char*))Next("renameat");
    return FailPair("rename", fromDir, from, toDir, to) ? -1 : real(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    static int (*real)(int, const char*, int, const char*, unsigned);
    if (!real)
        real = (int (*)(int, const char*, int, const char*, unsigned))Next("renameat2");
    return FailPair("rename", fromDir, from, toDir, to) ? -1
                                                        : real(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
    static int (*real)(const char*, const char*);
    if (!real)
        real = (int (*)(const char*, const char*))Next("link");
    return FailPair("link", AT_FDCWD, from, AT_FDCWD, to) ? -1 : real(from, to);
}
