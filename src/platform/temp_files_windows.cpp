// Windows: a temporary file is open with sharing for reading, writing and
// deleting while its writer has it; a cleaner's open that shares nothing fails
// as long as any such handle exists, and succeeds once the writer is gone.
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "platform/posix_windows.h"
#include "platform/temp_files.h"
#include "platform/text_windows.h"

namespace binario {

std::string suffisso_casuale() {
    uint64_t n = 0;
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&n), sizeof n,
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        static std::atomic<uint64_t> contatore{0};
        LARGE_INTEGER t{};
        ::QueryPerformanceCounter(&t);
        n = static_cast<uint64_t>(t.QuadPart) * 0x9E3779B97F4A7C15ull ^
            static_cast<uint64_t>(::GetCurrentProcessId()) << 40 ^ contatore++;
    }
    static const char cifre[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, n >>= 4) s[static_cast<size_t>(i)] = cifre[n & 15];
    return s;
}

int crea_temporaneo(const char* path) {
    const std::wstring nome = wide_da_utf8(path);
    const HANDLE h = ::CreateFileW(nome.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errno_da_windows(::GetLastError());
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

bool temporaneo_abbandonato(const std::string& path) {
    const std::wstring nome = wide_da_utf8(path);
    const DWORD attributi = ::GetFileAttributesW(nome.c_str());
    if (attributi == INVALID_FILE_ATTRIBUTES ||
        (attributi & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    const HANDLE h = ::CreateFileW(nome.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

std::vector<std::string> nomi_in_cartella(const std::string& cartella) {
    std::vector<std::string> nomi;
    WIN32_FIND_DATAW v;
    const std::wstring modello = wide_da_utf8(cartella.empty() ? "." : cartella) + L"\\*";
    const HANDLE h = ::FindFirstFileW(modello.c_str(), &v);
    if (h == INVALID_HANDLE_VALUE) return nomi;
    do {
        const std::wstring n = v.cFileName;
        if (n == L"." || n == L"..") continue;
        nomi.push_back(utf8_da_wide(v.cFileName));
    } while (::FindNextFileW(h, &v));
    ::FindClose(h);
    return nomi;
}

}  // namespace binario
