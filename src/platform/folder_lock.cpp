#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "common/file_replace.h"

namespace binario {

// One per folder held in this process: the open folder carrying the system's
// lock, and the turn among this process's threads.
struct blocco_cartella::voce {
    std::recursive_timed_mutex turno;
    int fd = -1;
    int tenute = 0;  // holders in this process, under turno
};

namespace {

using chiave = std::pair<dev_t, ino_t>;

std::mutex& mutex_registro() {
    static std::mutex m;
    return m;
}
std::map<chiave, std::weak_ptr<blocco_cartella::voce>>& registro() {
    static std::map<chiave, std::weak_ptr<blocco_cartella::voce>> r;
    return r;
}

// Another process's writer usually finishes within this; past it the caller is told.
constexpr auto attesa_silenziosa = std::chrono::milliseconds(1000);
constexpr auto passo_attesa = std::chrono::milliseconds(20);

}  // namespace

blocco_cartella::blocco_cartella(const std::string& cartella, const opzioni_blocco& o) {
    const int fd = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw file_error(cartella, std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        throw file_error(cartella, std::strerror(e));
    }
    {
        std::lock_guard<std::mutex> lk(mutex_registro());
        auto& debole = registro()[{st.st_dev, st.st_ino}];
        voce_ = debole.lock();
        if (!voce_) {
            voce_ = std::make_shared<voce>();
            debole = voce_;
        }
    }
    // First the turn among this process's threads, then the system's lock.
    if (o.attendi) {
        voce_->turno.lock();
    } else if (!voce_->turno.try_lock()) {
        ::close(fd);
        voce_.reset();
        throw cartella_occupata(cartella);
    }
    if (voce_->tenute > 0) {
        ::close(fd);
        ++voce_->tenute;
        return;
    }
    const auto inizio = std::chrono::steady_clock::now();
    bool avvisato = false;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        const int e = errno;
        if (e == EINTR) continue;
        // A file system without locks (some network ones): writers are not kept
        // apart there, but they still write, as before there was a lock.
        if (e == EBADF || e == ENOLCK || e == EOPNOTSUPP || e == EINVAL) break;
        if (e != EWOULDBLOCK || !o.attendi) {
            ::close(fd);
            voce_->turno.unlock();
            voce_.reset();
            if (e == EWOULDBLOCK) throw cartella_occupata(cartella);
            throw file_error(cartella, std::strerror(e));
        }
        if (!avvisato && std::chrono::steady_clock::now() - inizio >= attesa_silenziosa) {
            avvisato = true;
            if (o.avviso_attesa) o.avviso_attesa();
        }
        std::this_thread::sleep_for(passo_attesa);
    }
    voce_->fd = fd;
    voce_->tenute = 1;
    esterno_ = true;
}

blocco_cartella::~blocco_cartella() {
    if (!voce_) return;
    if (--voce_->tenute == 0) {
        ::close(voce_->fd);  // releases the system's lock
        voce_->fd = -1;
    }
    voce_->turno.unlock();
}

}  // namespace binario
