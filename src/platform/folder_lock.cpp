// The part of the folder lock that is the same on every system: this process's
// holders of a folder, their turns and nesting, and the wait for other processes.
#include "platform/folder_lock.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "platform/folder_lock_system.h"

namespace binario {

// One per folder held in this process: the open handle carrying the system's
// lock, and the turn among this process's threads.
struct blocco_cartella::voce {
    std::recursive_timed_mutex turno;
    lock_system::handle h = -1;
    int tenute = 0;  // holders in this process, under turno
};

namespace {

std::mutex& mutex_registro() {
    static std::mutex m;
    return m;
}
std::map<lock_system::folder_key, std::weak_ptr<blocco_cartella::voce>>& registro() {
    static std::map<lock_system::folder_key, std::weak_ptr<blocco_cartella::voce>> r;
    return r;
}

// Another process's writer usually finishes within this; past it the caller is told.
constexpr auto attesa_silenziosa = std::chrono::milliseconds(1000);
constexpr auto passo_attesa = std::chrono::milliseconds(20);

}  // namespace

blocco_cartella::blocco_cartella(const std::string& cartella, const opzioni_blocco& o) {
    lock_system::folder_key chiave;
    const lock_system::handle h = lock_system::open_folder(cartella, chiave);
    {
        std::lock_guard<std::mutex> lk(mutex_registro());
        auto& debole = registro()[chiave];
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
        lock_system::close(h);
        voce_.reset();
        throw cartella_occupata(cartella);
    }
    if (voce_->tenute > 0) {
        lock_system::close(h);
        ++voce_->tenute;
        return;
    }
    const auto inizio = std::chrono::steady_clock::now();
    bool avvisato = false;
    for (;;) {
        lock_system::attempt a;
        try {
            a = lock_system::try_lock(h, cartella);
        } catch (...) {
            lock_system::close(h);
            voce_->turno.unlock();
            voce_.reset();
            throw;
        }
        if (a != lock_system::attempt::busy) break;
        if (!o.attendi) {
            lock_system::close(h);
            voce_->turno.unlock();
            voce_.reset();
            throw cartella_occupata(cartella);
        }
        if (!avvisato && std::chrono::steady_clock::now() - inizio >= attesa_silenziosa) {
            avvisato = true;
            if (o.avviso_attesa) o.avviso_attesa();
        }
        std::this_thread::sleep_for(passo_attesa);
    }
    voce_->h = h;
    voce_->tenute = 1;
    esterno_ = true;
}

blocco_cartella::~blocco_cartella() {
    if (!voce_) return;
    if (--voce_->tenute == 0) {
        lock_system::close(voce_->h);  // releases the system's lock
        voce_->h = -1;
    }
    voce_->turno.unlock();
}

}  // namespace binario
