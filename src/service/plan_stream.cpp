#include "service/plan_stream.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

#include "formats/compiled_records.h"

namespace binario {
namespace {

constexpr long byte_testa = 2 * byte_elemento_intero;  // metres 0 and 1: integers
constexpr long byte_coda = 2 * byte_elemento_vuoto;    // the last two metres: empty

// Shorter plans are written the ordinary way, at the end: there a worker thread
// costs more than it saves (the one-shot run of the built-in 34 km line took a
// third longer with one).
constexpr int32_t metri_minimi = 1 << 17;

// Ranges waiting for the worker, at most: a loader ahead of the disk waits rather
// than hold more.
constexpr size_t coda_massima = 8;

// Where the elements of the usual shape lie, for a plan whose last metre is L:
// each column is byte_testa + (L - 3) reals + byte_coda.
long byte_colonna(int32_t L) {
    return byte_testa + (static_cast<long>(L) - 3) * byte_elemento_reale + byte_coda;
}
long posizione_reale(int32_t L, int c, int32_t metro) {
    return c * byte_colonna(L) + byte_testa + (static_cast<long>(metro) - 2) * byte_elemento_reale;
}

}  // namespace

scrittura_piano_anticipata::scrittura_piano_anticipata(std::string percorso, const file_ops& ops)
    : percorso_(std::move(percorso)), ops_(ops) {}

scrittura_piano_anticipata::~scrittura_piano_anticipata() {
    ferma_lavoratore();
    chiudi_e_rimuovi();
}

bool scrittura_piano_anticipata::prende_i_reali(int32_t ultimo_metro) {
    if (ultimo_metro < metri_minimi || ultimo_metro_ >= 0) return false;
    fd_ = crea_temporaneo_accanto(percorso_, ops_, temporaneo_);
    if (fd_ < 0) return false;
    try {
        lavoratore_ = std::thread(&scrittura_piano_anticipata::lavora, this);
    } catch (const std::system_error&) {
        chiudi_e_rimuovi();
        return false;
    }
    separa_processori();
    ultimo_metro_ = ultimo_metro;
    return true;
}

// The loader asks for the ranges one after the other, each once the one before is
// final. It waits here while the queue is full. After a failure it gets no space:
// it then computes the reals without storing them, and the plan is written the
// ordinary way.
char* scrittura_piano_anticipata::spazio_reali(int32_t da, int32_t a) {
    if (rifiutato_ || ultimo_metro_ < 0 || in_corso_ || da != consegnati_ || a <= da ||
        a > ultimo_metro_ - 1) {
        rifiutato_ = true;
        return nullptr;
    }
    lavoro l;
    l.da = da;
    l.a = a;
    {
        std::unique_lock<std::mutex> lk(mutex_);
        segnale_.wait(lk, [this] { return fallito_ || coda_.size() < coda_massima; });
        if (fallito_) {
            rifiutato_ = true;
            return nullptr;
        }
        if (!liberi_.empty()) {
            l.byte = std::move(liberi_.back());
            liberi_.pop_back();
        }
    }
    const size_t byte = 2 * l.colonna();
    if (l.byte.capacita < byte) {
        l.byte.dati = std::make_unique_for_overwrite<char[]>(byte);
        l.byte.capacita = byte;
    }
    in_corso_ = std::move(l);
    return in_corso_->byte.dati.get();
}

// Hands the range being filled to the worker once every real of it is final.
void scrittura_piano_anticipata::punti_pronti(const planimetria_metrica& piano, int32_t fino) {
    if (rifiutato_ || ultimo_metro_ < 0) return;
    if (piano_ == nullptr) piano_ = &piano;
    if (&piano != piano_ || !piano.compatta) {
        rifiutato_ = true;
        return;
    }
    if (in_corso_ && fino >= in_corso_->a) {
        consegnati_ = in_corso_->a;
        consegna(std::move(*in_corso_));
        in_corso_.reset();
    }
}

void scrittura_piano_anticipata::consegna(lavoro l) {
    {
        std::lock_guard<std::mutex> lk(mutex_);
        coda_.push_back(std::move(l));
    }
    segnale_.notify_all();
}

void scrittura_piano_anticipata::lavora() {
#ifdef __linux__
    ::pthread_setname_np(::pthread_self(), "binario-piano");  // for ps, top and perf
#endif
    std::vector<lavoro> lotto;
    for (;;) {
        {
            std::unique_lock<std::mutex> lk(mutex_);
            segnale_.wait(lk, [this] { return fallito_ || finito_ || !coda_.empty(); });
            if (fallito_ || coda_.empty()) return;
            // Every range waiting: consecutive, they go out in one write per column.
            while (!coda_.empty()) {
                lotto.push_back(std::move(coda_.front()));
                coda_.pop_front();
            }
        }
        // The loader may be waiting for room in the queue.
        segnale_.notify_all();
        const bool scritto = scrivi(lotto);
        {
            std::lock_guard<std::mutex> lk(mutex_);
            if (!scritto) fallito_ = true;
            for (lavoro& l : lotto) liberi_.push_back(std::move(l.byte));
        }
        lotto.clear();
        if (!scritto) {
            segnale_.notify_all();
            return;
        }
    }
}

// Writes each column of the ranges with one call.
bool scrittura_piano_anticipata::scrivi(std::vector<lavoro>& lotto) {
    std::vector<iovec> x, y;
    for (lavoro& l : lotto) {
        const size_t colonna = l.colonna();
        char* dati = l.byte.dati.get();
        x.push_back({dati, colonna});
        y.push_back({dati + colonna, colonna});
    }
    const int32_t da = lotto.front().da;
    return scrivi_in_posizione(ops_, fd_, std::move(x), posizione_reale(ultimo_metro_, 0, da)) ==
               0 &&
           scrivi_in_posizione(ops_, fd_, std::move(y), posizione_reale(ultimo_metro_, 1, da)) == 0;
}

// The integers of metres 0 and 1 and the empty last two metres of each column.
bool scrittura_piano_anticipata::scrivi_estremi(const planimetria_metrica& p) {
    const int32_t L = ultimo_metro_;
    for (int c = 0; c < 2; ++c) {
        char testa[byte_testa];
        metti_elemento_intero(metti_elemento_intero(testa, p.semi[0][c]), p.semi[1][c]);
        char coda[byte_coda];
        metti_elemento_vuoto(metti_elemento_vuoto(coda));
        if (scrivi_in_posizione(ops_, fd_, {{testa, sizeof testa}}, c * byte_colonna(L)) != 0 ||
            scrivi_in_posizione(ops_, fd_, {{coda, sizeof coda}}, posizione_reale(L, c, L - 1)) !=
                0)
            return false;
    }
    return true;
}

// The file holds the usual shape when the plan is seeded, its reals end at the
// last metre but one, and every range of them has been handed over.
std::optional<std::string> scrittura_piano_anticipata::completa(const planimetria_metrica& piano) {
    bool pieno = !rifiutato_ && lavoratore_.joinable() && &piano == piano_ && piano.compatta &&
                 piano.ultimo_metro == ultimo_metro_ && piano.seminata &&
                 piano.reali_fino == ultimo_metro_ - 1 && !in_corso_ &&
                 consegnati_ == ultimo_metro_ - 1;
    {
        std::lock_guard<std::mutex> lk(mutex_);
        finito_ = true;
        if (!pieno) fallito_ = true;
    }
    segnale_.notify_all();
    if (lavoratore_.joinable()) lavoratore_.join();
    riunisci_processori();
    pieno = pieno && !fallito_ && scrivi_estremi(piano);
    if (!pieno) {
        chiudi_e_rimuovi();
        return std::nullopt;
    }
    if (ops_.close(std::exchange(fd_, -1)) != 0) {
        chiudi_e_rimuovi();
        return std::nullopt;
    }
    return std::exchange(temporaneo_, std::string());
}

void scrittura_piano_anticipata::ferma_lavoratore() {
    if (lavoratore_.joinable()) {
        {
            std::lock_guard<std::mutex> lk(mutex_);
            fallito_ = true;
        }
        segnale_.notify_all();
        lavoratore_.join();
    }
    riunisci_processori();
}

// The loader and the worker on two different processors. Left to itself, the
// scheduler often keeps a thread on the processor of the thread that wakes it,
// and the two then take turns on one processor while another stays idle: the
// compile took half as long again. Where only one processor is allowed, the two
// share it as they must.
// Elsewhere the system's scheduler is left to place them.
void scrittura_piano_anticipata::separa_processori() {
#ifdef __linux__
    cpu_set_t consentiti;
    CPU_ZERO(&consentiti);
    if (::sched_getaffinity(0, sizeof consentiti, &consentiti) != 0 || CPU_COUNT(&consentiti) < 2)
        return;
    const int questo = ::sched_getcpu();
    if (questo < 0 || questo >= CPU_SETSIZE || !CPU_ISSET(questo, &consentiti)) return;
    cpu_set_t altri = consentiti;
    CPU_CLR(questo, &altri);
    if (::pthread_setaffinity_np(lavoratore_.native_handle(), sizeof altri, &altri) != 0) return;
    cpu_set_t solo;
    CPU_ZERO(&solo);
    CPU_SET(questo, &solo);
    if (::sched_setaffinity(0, sizeof solo, &solo) != 0) return;
    affinita_originale_ = consentiti;
    affinita_cambiata_ = true;
#endif
}

void scrittura_piano_anticipata::riunisci_processori() {
    if (!affinita_cambiata_) return;
#ifdef __linux__
    ::sched_setaffinity(0, sizeof affinita_originale_, &affinita_originale_);
#endif
    affinita_cambiata_ = false;
}

void scrittura_piano_anticipata::chiudi_e_rimuovi() {
    if (fd_ >= 0) ops_.close(std::exchange(fd_, -1));
    if (!temporaneo_.empty()) ops_.unlink(std::exchange(temporaneo_, std::string()).c_str());
}

}  // namespace binario
