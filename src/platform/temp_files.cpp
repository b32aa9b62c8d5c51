#include "platform/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>

namespace binario {

std::string suffisso_casuale() {
    uint64_t n = 0;
    if (::getrandom(&n, sizeof n, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof n)) {
        // No entropy yet (early boot): the clock, the process and a counter.
        static std::atomic<uint64_t> contatore{0};
        struct timespec ts {};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        n = static_cast<uint64_t>(ts.tv_nsec) * 0x9E3779B97F4A7C15ull ^
            static_cast<uint64_t>(ts.tv_sec) << 20 ^ static_cast<uint64_t>(::getpid()) << 40 ^
            contatore++;
    }
    static const char cifre[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, n >>= 4) s[static_cast<size_t>(i)] = cifre[n & 15];
    return s;
}

// The shared lock marks the file as in use; a cleaner's exclusive try fails
// while any writer has it open.
int crea_temporaneo(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) ::flock(fd, LOCK_SH | LOCK_NB);
    return fd;
}

bool temporaneo_abbandonato(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool abbandonato =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return abbandonato;
}

std::vector<std::string> nomi_in_cartella(const std::string& cartella) {
    std::vector<std::string> nomi;
    DIR* d = ::opendir(cartella.c_str());
    if (d == nullptr) return nomi;
    while (const dirent* v = ::readdir(d)) {
        if (std::strcmp(v->d_name, ".") == 0 || std::strcmp(v->d_name, "..") == 0) continue;
        nomi.emplace_back(v->d_name);
    }
    ::closedir(d);
    return nomi;
}

}  // namespace binario
