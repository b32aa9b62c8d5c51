#include "platform/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace binario {

namespace {

// 64 bits from the system's random source, or where it has no entropy yet (early
// boot) from the clock, the process and a counter.
uint64_t casuale_di_sistema() {
    uint64_t n = 0;
    if (::getrandom(&n, sizeof n, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof n)) return n;
    static std::atomic<uint64_t> contatore{0};
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<uint64_t>(ts.tv_nsec) * 0x9E3779B97F4A7C15ull ^
           static_cast<uint64_t>(ts.tv_sec) << 20 ^ static_cast<uint64_t>(::getpid()) << 40 ^
           contatore++;
}

// One draw from the system per process (a child after fork draws its own); the
// names are that seed's splitmix64 sequence, a bijection of a counter, so no two
// calls of one process give the same name and another process's names are as
// unpredictable as its seed.
struct sequenza_nomi {
    std::mutex m;
    bool seminata = false;
    uint64_t stato = 0;
};

sequenza_nomi& sequenza() {
    static sequenza_nomi s;
    // Held across fork, so that the child's copy is never mid-update.
    static const int registrato =
        ::pthread_atfork([] { sequenza().m.lock(); }, [] { sequenza().m.unlock(); },
                         [] {
                             sequenza().seminata = false;
                             sequenza().m.unlock();
                         });
    (void)registrato;
    return s;
}

}  // namespace

std::string suffisso_casuale() {
    sequenza_nomi& s = sequenza();
    uint64_t n = 0;
    {
        std::lock_guard<std::mutex> lk(s.m);
        if (!s.seminata) {
            s.stato = casuale_di_sistema();
            s.seminata = true;
        }
        n = (s.stato += 0x9E3779B97F4A7C15ull);
    }
    n = (n ^ (n >> 30)) * 0xBF58476D1CE4E5B9ull;
    n = (n ^ (n >> 27)) * 0x94D049BB133111EBull;
    n ^= n >> 31;
    static const char cifre[] = "0123456789abcdef";
    std::string s16(16, '0');
    for (int i = 15; i >= 0; --i, n >>= 4) s16[static_cast<size_t>(i)] = cifre[n & 15];
    return s16;
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
