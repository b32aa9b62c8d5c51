// Windows: the folder is locked through a lock file inside it (nome_file_blocco),
// held with LockFileEx, as a folder's own handle takes no byte-range lock.
#include <windows.h>

#include <cstring>

#include "common/file_replace.h"
#include "platform/folder_lock.h"
#include "platform/folder_lock_system.h"
#include "platform/posix_windows.h"
#include "platform/text_windows.h"

namespace binario::lock_system {

namespace {

std::string messaggio(DWORD e) {
    return std::strerror(errno_da_windows(e));
}

}  // namespace

handle open_folder(const std::string& cartella, folder_key& chiave) {
    const std::wstring wcartella = wide_da_utf8(cartella);
    const DWORD attributi = ::GetFileAttributesW(wcartella.c_str());
    if (attributi == INVALID_FILE_ATTRIBUTES)
        throw file_error(cartella, messaggio(::GetLastError()));
    if (!(attributi & FILE_ATTRIBUTE_DIRECTORY))
        throw file_error(cartella, messaggio(ERROR_DIRECTORY));
    const std::wstring nome = wcartella + L"\\" + wide_da_utf8(nome_file_blocco);
    const HANDLE h = ::CreateFileW(nome.c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw file_error(cartella, messaggio(::GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) {
        const DWORD e = ::GetLastError();
        ::CloseHandle(h);
        throw file_error(cartella, messaggio(e));
    }
    chiave = {info.dwVolumeSerialNumber,
              static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
    return reinterpret_cast<handle>(h);
}

attempt try_lock(handle h, const std::string& cartella) {
    OVERLAPPED dove{};
    if (::LockFileEx(reinterpret_cast<HANDLE>(h),
                     LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &dove))
        return attempt::taken;
    const DWORD e = ::GetLastError();
    if (e == ERROR_LOCK_VIOLATION) return attempt::busy;
    throw file_error(cartella, messaggio(e));
}

void close(handle h) {
    ::CloseHandle(reinterpret_cast<HANDLE>(h));
}

}  // namespace binario::lock_system
