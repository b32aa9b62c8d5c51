#include "platform/posix_windows.h"

#include <windows.h>

#include <cerrno>

#include "platform/text_windows.h"

namespace binario {

int errno_da_windows(unsigned long e) {
    switch (e) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return EEXIST;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
            return EXDEV;
        default:
            return EIO;
    }
}

}  // namespace binario

using binario::errno_da_windows;

long pwritev(int fd, const iovec* parti, int n, long offset) {
    const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    long scritti = 0;
    for (int i = 0; i < n; ++i) {
        const char* p = static_cast<const char*>(parti[i].iov_base);
        size_t resto = parti[i].iov_len;
        while (resto > 0) {
            OVERLAPPED dove{};
            const unsigned long long pos =
                static_cast<unsigned long long>(offset) + static_cast<unsigned long long>(scritti);
            dove.Offset = static_cast<DWORD>(pos & 0xFFFFFFFFu);
            dove.OffsetHigh = static_cast<DWORD>(pos >> 32);
            const DWORD parte = resto > (1u << 30) ? (1u << 30) : static_cast<DWORD>(resto);
            DWORD fatti = 0;
            if (!::WriteFile(h, p, parte, &fatti, &dove)) {
                if (scritti > 0) return scritti;
                errno = errno_da_windows(::GetLastError());
                return -1;
            }
            if (fatti == 0) return scritti;
            p += fatti;
            resto -= fatti;
            scritti += static_cast<long>(fatti);
        }
    }
    return scritti;
}

int link(const char* da, const char* a) {
    const std::wstring wda = binario::wide_da_utf8(da), wa = binario::wide_da_utf8(a);
    if (::CreateHardLinkW(wa.c_str(), wda.c_str(), nullptr)) return 0;
    errno = errno_da_windows(::GetLastError());
    return -1;
}

namespace binario {

int rinomina_sostituendo(const char* da, const char* a) {
    const std::wstring wda = wide_da_utf8(da), wa = wide_da_utf8(a);
    if (::MoveFileExW(wda.c_str(), wa.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    errno = errno_da_windows(::GetLastError());
    return -1;
}

}  // namespace binario
