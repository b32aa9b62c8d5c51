// The few POSIX calls the file layer uses that MinGW-w64 does not give, made
// from the Windows API. Included only on Windows, in place of <sys/uio.h>.
//
// Paths are UTF-8 everywhere in the program: binario.exe declares UTF-8 as its
// code page (binario.manifest), so the C runtime's open(), stat() and unlink()
// take UTF-8; the calls made here convert to UTF-16 and use the wide API.
#pragma once

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>

struct iovec {
    void* iov_base;
    size_t iov_len;
};

#ifndef IOV_MAX
#define IOV_MAX 1024
#endif
// Handles are not inherited here (no fork/exec), links are not followed by
// open(), and a FIFO cannot be opened by a path: these flags have nothing to do.
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef S_ISLNK
#define S_ISLNK(m) 0
#endif

// A gathered write at `offset` (WriteFile with an offset, so the file position
// is left alone as pwritev() does).
long pwritev(int fd, const iovec* parti, int n, long offset);

// A second name for a file (CreateHardLinkW); -1 with errno EEXIST, ENOENT, or
// EXDEV where the file system has no hard links.
int link(const char* da, const char* a);

// No symbolic links are made or followed by the program on Windows.
inline int lstat(const char* path, struct stat* st) {
    return ::stat(path, st);
}

namespace binario {

// The errno value for a Windows error code (GetLastError()), so that failures
// read as on Linux: ENOENT, EEXIST, EACCES, ENOSPC, EXDEV, ENOTDIR, else EIO.
int errno_da_windows(unsigned long e);

// Renames `da` over `a`, replacing it (MoveFileExW with MOVEFILE_REPLACE_EXISTING
// and MOVEFILE_WRITE_THROUGH); 0, or -1 with errno.
int rinomina_sostituendo(const char* da, const char* a);

}  // namespace binario
