// Linux: flock() on the folder itself, so no file is added to the folder.
#include "platform/folder_lock_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/file_replace.h"

namespace binario::lock_system {

handle open_folder(const std::string& cartella, folder_key& chiave) {
    const int fd = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw file_error(cartella, std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        throw file_error(cartella, std::strerror(e));
    }
    chiave = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    return fd;
}

attempt try_lock(handle h, const std::string& cartella) {
    for (;;) {
        if (::flock(static_cast<int>(h), LOCK_EX | LOCK_NB) == 0) return attempt::taken;
        const int e = errno;
        if (e == EINTR) continue;
        if (e == EWOULDBLOCK) return attempt::busy;
        // A file system without locks (some network ones): writers are not kept
        // apart there, but they still write, as before there was a lock.
        if (e == EBADF || e == ENOLCK || e == EOPNOTSUPP || e == EINVAL)
            return attempt::unsupported;
        throw file_error(cartella, std::strerror(e));
    }
}

void close(handle h) {
    ::close(static_cast<int>(h));
}

}  // namespace binario::lock_system
