/* Preloaded into the fault driver: counts the file-system calls that touch files in one
 * folder and makes the Nth of them fail, or ends the process there.
 *
 *   TAMA_FAULT_DIR     the folder whose files are watched (absolute path)
 *   TAMA_FAULT_AT      the call to fail, from 1; 0 or unset only counts
 *   TAMA_FAULT_MODE    ENOSPC, EIO, EACCES (the call fails with that errno),
 *                      exit (_exit before the call), kill (SIGKILL before the call),
 *                      torn (a write passes only its first TAMA_FAULT_KEEP bytes, then
 *                      _exit; any other call _exits before it) or lose (every write not
 *                      yet flushed by fsync/fdatasync is undone, then _exit: a power cut)
 *   TAMA_FAULT_KEEP    the bytes a torn write keeps
 *   TAMA_FAULT_REPORT  file that receives "<n> <call> <benign>" when the fault is
 *                      injected, and "count <n>" at a normal exit
 *   TAMA_FAULT_TRACE   file that receives "<n> <call> <bytes>" for every counted call
 *
 * Counted on watched paths: open and creat, read, pread, write, pwrite, writev, fsync,
 * fdatasync, ftruncate, close, rename, unlink, link, mkdir and rmdir (and their *at forms).
 *
 * Calls on descriptors count only for descriptors opened on a watched path, so the
 * loader, ICU's data and the driver's own output are never touched. A failing close
 * of a descriptor with nothing unflushed is marked benign: no data can be lost by it.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#define MAX_FDS 4096

enum { MODE_EXIT = -1, MODE_KILL = -2, MODE_TORN = -3, MODE_LOSE = -4 };

static char g_dir[4096];
static size_t g_dirlen;
static long g_at;
static long g_count;
static int g_mode = EIO;
static const char *g_report;
static long g_keep;
static int g_trace = -1;
static int g_tornHere; /* set when the current write is the one to tear */

/* What a write not yet flushed overwrote, newest first, so that "lose" can undo it. */
struct Undo {
    int fd; /* a duplicate, so the bytes can go back after the program closed its own */
    dev_t dev;
    ino_t ino;
    off_t offset;
    off_t oldSize;
    size_t length;
    char *old;
    struct Undo *next;
};
static struct Undo *g_undo;
static unsigned char g_tracked[MAX_FDS];
static unsigned char g_dirty[MAX_FDS];

#define REAL(ret, name, ...)                                                                                 \
    static ret (*real_##name)(__VA_ARGS__);                                                                  \
    if (!real_##name) real_##name = (ret(*)(__VA_ARGS__))dlsym(RTLD_NEXT, #name);

static void writeReport(const char *text) {
    static int (*ropen)(const char *, int, ...);
    static ssize_t (*rwrite)(int, const void *, size_t);
    static int (*rclose)(int);
    if (!g_report) return;
    if (!ropen) {
        ropen = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
        rwrite = (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
        rclose = (int (*)(int))dlsym(RTLD_NEXT, "close");
    }
    int fd = ropen(g_report, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    (void)rwrite(fd, text, strlen(text));
    rclose(fd);
}

__attribute__((constructor)) static void init(void) {
    const char *dir = getenv("TAMA_FAULT_DIR");
    const char *at = getenv("TAMA_FAULT_AT");
    const char *mode = getenv("TAMA_FAULT_MODE");
    g_report = getenv("TAMA_FAULT_REPORT");
    if (dir && strlen(dir) < sizeof g_dir) {
        strcpy(g_dir, dir);
        g_dirlen = strlen(g_dir);
        while (g_dirlen > 1 && g_dir[g_dirlen - 1] == '/')
            g_dir[--g_dirlen] = '\0';
    }
    g_at = at ? atol(at) : 0;
    g_keep = getenv("TAMA_FAULT_KEEP") ? atol(getenv("TAMA_FAULT_KEEP")) : 0;
    if (getenv("TAMA_FAULT_TRACE")) {
        int (*ropen)(const char *, int, ...) = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
        g_trace =
            ropen(getenv("TAMA_FAULT_TRACE"), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    }
    if (mode) {
        if (!strcmp(mode, "ENOSPC"))
            g_mode = ENOSPC;
        else if (!strcmp(mode, "EACCES"))
            g_mode = EACCES;
        else if (!strcmp(mode, "exit"))
            g_mode = MODE_EXIT;
        else if (!strcmp(mode, "kill"))
            g_mode = MODE_KILL;
        else if (!strcmp(mode, "torn"))
            g_mode = MODE_TORN;
        else if (!strcmp(mode, "lose"))
            g_mode = MODE_LOSE;
        else
            g_mode = EIO;
    }
}

__attribute__((destructor)) static void fini(void) {
    char text[64];
    if (g_at != 0 && g_count >= g_at) return; // the fault report stays
    snprintf(text, sizeof text, "count %ld\n", g_count);
    writeReport(text);
}

static int watchedPath(const char *path) {
    if (!g_dirlen || !path || strncmp(path, g_dir, g_dirlen) != 0) return 0;
    return path[g_dirlen] == '/' || path[g_dirlen] == '\0';
}

/* A name relative to a folder descriptor: watched when that folder is. */
static int watchedAt(int dirfd, const char *path) {
    if (!path) return 0;
    if (path[0] == '/' || dirfd == AT_FDCWD) return watchedPath(path);
    char link[64], dir[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    const ssize_t n = readlink(link, dir, sizeof dir - 1);
    if (n <= 0) return 0;
    dir[n] = '\0';
    return watchedPath(dir);
}

static int watchedFd(int fd) {
    return g_dirlen && fd >= 0 && fd < MAX_FDS && g_tracked[fd];
}

static ssize_t (*realPread(void))(int, void *, size_t, off_t) {
    static ssize_t (*p)(int, void *, size_t, off_t);
    if (!p) p = (ssize_t(*)(int, void *, size_t, off_t))dlsym(RTLD_NEXT, "pread");
    return p;
}

static ssize_t (*realPwrite(void))(int, const void *, size_t, off_t) {
    static ssize_t (*p)(int, const void *, size_t, off_t);
    if (!p) p = (ssize_t(*)(int, const void *, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
    return p;
}

/* Before a write of length bytes at offset (or a truncation to offset, with length the
 * bytes it cuts off): keeps what is there now. */
static void remember(int fd, off_t offset, size_t length) {
    struct stat st;
    if (g_mode != MODE_LOSE || fstat(fd, &st) != 0) return;
    struct Undo *u = calloc(1, sizeof *u);
    if (!u) return;
    u->fd = dup(fd);
    u->dev = st.st_dev;
    u->ino = st.st_ino;
    u->offset = offset;
    u->oldSize = st.st_size;
    u->old = length ? malloc(length) : NULL;
    if (u->old) {
        const ssize_t got = realPread()(fd, u->old, length, offset); /* fails on a write-only fd: new files */
        u->length = got > 0 ? (size_t)got : 0;
    }
    u->next = g_undo;
    g_undo = u;
}

/* fsync made the file's writes durable: nothing of it can be lost any more. */
static void flushed(int fd) {
    struct stat st;
    if (g_mode != MODE_LOSE || fstat(fd, &st) != 0) return;
    for (struct Undo **p = &g_undo; *p;) {
        struct Undo *u = *p;
        if (u->dev == st.st_dev && u->ino == st.st_ino) {
            *p = u->next;
            close(u->fd);
            free(u->old);
            free(u);
        } else {
            p = &u->next;
        }
    }
}

/* The power cut: every write since its file's last flush is taken back, newest first. */
static void loseUnflushed(void) {
    int (*rftruncate)(int, off_t) = (int (*)(int, off_t))dlsym(RTLD_NEXT, "ftruncate");
    for (struct Undo *u = g_undo; u; u = u->next) {
        if (u->fd < 0) continue;
        if (u->length) (void)realPwrite()(u->fd, u->old, u->length, u->offset);
        (void)rftruncate(u->fd, u->oldSize);
    }
}

static int isWrite(const char *call) {
    return !strcmp(call, "write") || !strcmp(call, "pwrite") || !strcmp(call, "writev");
}

/* Counts one call; returns 1 when it must fail (errno set). */
static int faultHereSized(const char *call, int fd, size_t size) {
    char text[128];
    const long n = ++g_count;
    if (g_trace >= 0) {
        ssize_t (*rwrite)(int, const void *, size_t) =
            (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
        const int len = snprintf(text, sizeof text, "%ld %s %zu\n", n, call, size);
        (void)rwrite(g_trace, text, (size_t)len);
    }
    if (g_at == 0 || n != g_at) return 0;
    const int benign = !strcmp(call, "close") && fd >= 0 && fd < MAX_FDS && !g_dirty[fd];
    snprintf(text, sizeof text, "%ld %s %d\n", n, call, benign);
    writeReport(text);
    if (g_mode == MODE_TORN && isWrite(call)) {
        g_tornHere = 1; /* the write itself tears and ends the process */
        return 0;
    }
    if (g_mode == MODE_LOSE) loseUnflushed();
    if (g_mode == MODE_EXIT || g_mode == MODE_TORN || g_mode == MODE_LOSE) _exit(86);
    if (g_mode == MODE_KILL) raise(SIGKILL);
    errno = g_mode;
    return 1;
}

static int faultHere(const char *call, int fd) {
    return faultHereSized(call, fd, 0);
}

static size_t tornLength(size_t n) {
    return g_keep < 0 ? 0 : ((size_t)g_keep < n ? (size_t)g_keep : n);
}

static int opened(int fd, const char *path) {
    if (fd >= 0 && fd < MAX_FDS) {
        g_tracked[fd] = (unsigned char)watchedPath(path);
        g_dirty[fd] = 0;
    }
    return fd;
}

static mode_t modeArg(int flags, va_list ap) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

#define DEFINE_OPEN(name)                                                                                    \
    int name(const char *path, int flags, ...) {                                                             \
        va_list ap;                                                                                          \
        va_start(ap, flags);                                                                                 \
        const mode_t mode = modeArg(flags, ap);                                                              \
        va_end(ap);                                                                                          \
        REAL(int, name, const char *, int, ...)                                                              \
        if (watchedPath(path) && faultHere("open", -1)) return -1;                                           \
        return opened(real_##name(path, flags, mode), path);                                                 \
    }
DEFINE_OPEN(open)
DEFINE_OPEN(open64)

#define DEFINE_OPEN_2(name)                                                                                  \
    int name(const char *path, int flags) {                                                                  \
        REAL(int, name, const char *, int)                                                                   \
        if (watchedPath(path) && faultHere("open", -1)) return -1;                                           \
        return opened(real_##name(path, flags), path);                                                       \
    }
DEFINE_OPEN_2(__open_2)
DEFINE_OPEN_2(__open64_2)

#define DEFINE_OPENAT(name)                                                                                  \
    int name(int dirfd, const char *path, int flags, ...) {                                                  \
        va_list ap;                                                                                          \
        va_start(ap, flags);                                                                                 \
        const mode_t mode = modeArg(flags, ap);                                                              \
        va_end(ap);                                                                                          \
        REAL(int, name, int, const char *, int, ...)                                                         \
        const int watched = watchedAt(dirfd, path);                                                          \
        if (watched && faultHere("open", -1)) return -1;                                                     \
        return opened(real_##name(dirfd, path, flags, mode), watched ? g_dir : NULL);                        \
    }
DEFINE_OPENAT(openat)
DEFINE_OPENAT(openat64)

#define DEFINE_CREAT(name)                                                                                   \
    int name(const char *path, mode_t mode) {                                                                \
        REAL(int, name, const char *, mode_t)                                                                \
        if (watchedPath(path) && faultHere("open", -1)) return -1;                                           \
        return opened(real_##name(path, mode), path);                                                        \
    }
DEFINE_CREAT(creat)
DEFINE_CREAT(creat64)

ssize_t read(int fd, void *buf, size_t n) {
    REAL(ssize_t, read, int, void *, size_t)
    if (watchedFd(fd) && faultHere("read", fd)) return -1;
    return real_read(fd, buf, n);
}

ssize_t __read_chk(int fd, void *buf, size_t n, size_t buflen) {
    (void)buflen;
    return read(fd, buf, n);
}

#define DEFINE_PREAD(name)                                                                                   \
    ssize_t name(int fd, void *buf, size_t n, off_t off) {                                                   \
        REAL(ssize_t, name, int, void *, size_t, off_t)                                                      \
        if (watchedFd(fd) && faultHere("pread", fd)) return -1;                                              \
        return real_##name(fd, buf, n, off);                                                                 \
    }
DEFINE_PREAD(pread)
DEFINE_PREAD(pread64)

ssize_t __pread_chk(int fd, void *buf, size_t n, off_t off, size_t buflen) {
    (void)buflen;
    return pread(fd, buf, n, off);
}

ssize_t __pread64_chk(int fd, void *buf, size_t n, off_t off, size_t buflen) {
    (void)buflen;
    return pread64(fd, buf, n, off);
}

static ssize_t wrote(int fd, ssize_t r) {
    if (r > 0 && fd >= 0 && fd < MAX_FDS) g_dirty[fd] = 1;
    return r;
}

ssize_t write(int fd, const void *buf, size_t n) {
    REAL(ssize_t, write, int, const void *, size_t)
    if (watchedFd(fd)) {
        if (faultHereSized("write", fd, n)) return -1;
        remember(fd, lseek(fd, 0, SEEK_CUR), n);
        if (g_tornHere) {
            (void)real_write(fd, buf, tornLength(n));
            _exit(86);
        }
    }
    return wrote(fd, real_write(fd, buf, n));
}

#define DEFINE_PWRITE(name)                                                                                  \
    ssize_t name(int fd, const void *buf, size_t n, off_t off) {                                             \
        REAL(ssize_t, name, int, const void *, size_t, off_t)                                                \
        if (watchedFd(fd)) {                                                                                 \
            if (faultHereSized("pwrite", fd, n)) return -1;                                                  \
            remember(fd, off, n);                                                                            \
            if (g_tornHere) {                                                                                \
                (void)real_##name(fd, buf, tornLength(n), off);                                              \
                _exit(86);                                                                                   \
            }                                                                                                \
        }                                                                                                    \
        return wrote(fd, real_##name(fd, buf, n, off));                                                      \
    }
DEFINE_PWRITE(pwrite)
DEFINE_PWRITE(pwrite64)

ssize_t writev(int fd, const struct iovec *iov, int cnt) {
    REAL(ssize_t, writev, int, const struct iovec *, int)
    REAL(ssize_t, write, int, const void *, size_t)
    if (watchedFd(fd)) {
        size_t n = 0;
        for (int i = 0; i < cnt; ++i)
            n += iov[i].iov_len;
        if (faultHereSized("writev", fd, n)) return -1;
        remember(fd, lseek(fd, 0, SEEK_CUR), n);
        if (g_tornHere) {
            size_t left = tornLength(n);
            for (int i = 0; i < cnt && left > 0; ++i) {
                const size_t part = iov[i].iov_len < left ? iov[i].iov_len : left;
                (void)real_write(fd, iov[i].iov_base, part);
                left -= part;
            }
            _exit(86);
        }
    }
    return wrote(fd, real_writev(fd, iov, cnt));
}

#define DEFINE_SYNC(name)                                                                                    \
    int name(int fd) {                                                                                       \
        REAL(int, name, int)                                                                                 \
        if (watchedFd(fd) && faultHere(#name, fd)) return -1;                                                \
        const int r = real_##name(fd);                                                                       \
        if (r == 0 && fd >= 0 && fd < MAX_FDS) g_dirty[fd] = 0;                                              \
        if (r == 0 && watchedFd(fd)) flushed(fd);                                                            \
        return r;                                                                                            \
    }
DEFINE_SYNC(fsync)
DEFINE_SYNC(fdatasync)

#define DEFINE_FTRUNCATE(name)                                                                               \
    int name(int fd, off_t len) {                                                                            \
        REAL(int, name, int, off_t)                                                                          \
        if (watchedFd(fd)) {                                                                                 \
            struct stat st;                                                                                  \
            if (faultHere("ftruncate", fd)) return -1;                                                       \
            if (fstat(fd, &st) == 0) remember(fd, len, st.st_size > len ? (size_t)(st.st_size - len) : 0);   \
        }                                                                                                    \
        const int r = real_##name(fd, len);                                                                  \
        if (r == 0) wrote(fd, 1);                                                                            \
        return r;                                                                                            \
    }
DEFINE_FTRUNCATE(ftruncate)
DEFINE_FTRUNCATE(ftruncate64)

int close(int fd) {
    REAL(int, close, int)
    if (watchedFd(fd)) {
        const int fail = faultHere("close", fd);
        g_tracked[fd] = 0;
        const int r = real_close(fd); // Linux releases the descriptor even when close fails
        if (fail) {
            errno = g_mode;
            return -1;
        }
        return r;
    }
    if (fd >= 0 && fd < MAX_FDS) g_tracked[fd] = 0;
    return real_close(fd);
}

int rename(const char *from, const char *to) {
    REAL(int, rename, const char *, const char *)
    if ((watchedPath(from) || watchedPath(to)) && faultHere("rename", -1)) return -1;
    return real_rename(from, to);
}

int renameat(int fromfd, const char *from, int tofd, const char *to) {
    REAL(int, renameat, int, const char *, int, const char *)
    if ((watchedAt(fromfd, from) || watchedAt(tofd, to)) && faultHere("rename", -1)) return -1;
    return real_renameat(fromfd, from, tofd, to);
}

int renameat2(int fromfd, const char *from, int tofd, const char *to, unsigned flags) {
    REAL(int, renameat2, int, const char *, int, const char *, unsigned)
    if ((watchedAt(fromfd, from) || watchedAt(tofd, to)) && faultHere("rename", -1)) return -1;
    return real_renameat2(fromfd, from, tofd, to, flags);
}

int unlink(const char *path) {
    REAL(int, unlink, const char *)
    if (watchedPath(path) && faultHere("unlink", -1)) return -1;
    return real_unlink(path);
}

int unlinkat(int dirfd, const char *path, int flags) {
    REAL(int, unlinkat, int, const char *, int)
    if (watchedAt(dirfd, path) && faultHere("unlink", -1)) return -1;
    return real_unlinkat(dirfd, path, flags);
}

/* The snapshots' calls: a copy shared by a hard link, their folders made and removed. */
int link(const char *from, const char *to) {
    REAL(int, link, const char *, const char *)
    if ((watchedPath(from) || watchedPath(to)) && faultHere("link", -1)) return -1;
    return real_link(from, to);
}

int linkat(int fromfd, const char *from, int tofd, const char *to, int flags) {
    REAL(int, linkat, int, const char *, int, const char *, int)
    if ((watchedAt(fromfd, from) || watchedAt(tofd, to)) && faultHere("link", -1)) return -1;
    return real_linkat(fromfd, from, tofd, to, flags);
}

int mkdir(const char *path, mode_t mode) {
    REAL(int, mkdir, const char *, mode_t)
    if (watchedPath(path) && faultHere("mkdir", -1)) return -1;
    return real_mkdir(path, mode);
}

int mkdirat(int dirfd, const char *path, mode_t mode) {
    REAL(int, mkdirat, int, const char *, mode_t)
    if (watchedAt(dirfd, path) && faultHere("mkdir", -1)) return -1;
    return real_mkdirat(dirfd, path, mode);
}

int rmdir(const char *path) {
    REAL(int, rmdir, const char *)
    if (watchedPath(path) && faultHere("rmdir", -1)) return -1;
    return real_rmdir(path);
}
