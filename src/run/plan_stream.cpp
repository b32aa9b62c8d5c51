#include "run/plan_stream.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

#include "compiler/compiled_files.h"

namespace binario {
namespace {

constexpr long byte_reale = 2 + 8;
constexpr long byte_testa = 2 * (2 + 2);  // metres 0 and 1: integers
constexpr long byte_coda = 2 * 2;         // the last two metres: empty

// Shorter plans are written the ordinary way, at the end: there a worker thread
// costs more than it saves (the one-shot run of the built-in 34 km line took a
// third longer with one).
constexpr int32_t metri_minimi = 1 << 17;

// Serialised ranges waiting for the worker, at most: a loader ahead of the disk
// waits rather than hold more.
constexpr size_t coda_massima = 8;

// Where the elements of the usual shape lie, for a plan whose last metre is L:
// each column is byte_testa + (L - 3) reals + byte_coda.
long byte_colonna(int32_t L) {
    return byte_testa + (static_cast<long>(L) - 3) * byte_reale + byte_coda;
}
long posizione_reale(int32_t L, int c, int32_t metro) {
    return c * byte_colonna(L) + byte_testa + (static_cast<long>(metro) - 2) * byte_reale;
}

// True when every tag of [tipi, tipi + n) is a real: eight at a time.
bool tutti_reali(const tipo_valore* tipi, size_t n) {
    static_assert(sizeof(tipo_valore) == 1);
    constexpr uint64_t otto_reali =
        0x0101010101010101ull * static_cast<uint8_t>(tipo_valore::reale);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t otto = 0;
        std::memcpy(&otto, tipi + i, sizeof otto);
        if (otto != otto_reali) return false;
    }
    for (; i < n; ++i)
        if (tipi[i] != tipo_valore::reale) return false;
    return true;
}

// Serialises metres [da, a) of column c into out; false when one of them is not a
// real, so that the bytes would not lie where the usual shape puts them.
bool serializza_reali(const planimetria_metrica& p, int c, int32_t da, int32_t a, char* out) {
    if (!tutti_reali(p.tipi.data() + p.indice(da, c), static_cast<size_t>(a - da))) return false;
    serializza_elementi_piano(p, p.indice(da, c), p.indice(a, c), out);
    return true;
}

}  // namespace

scrittura_piano_anticipata::scrittura_piano_anticipata(std::string percorso, const file_ops& ops)
    : percorso_(std::move(percorso)), ops_(ops) {}

scrittura_piano_anticipata::~scrittura_piano_anticipata() {
    ferma_lavoratore();
    chiudi_e_rimuovi();
}

void scrittura_piano_anticipata::punti_pronti(const planimetria_metrica& piano, int32_t fino) {
    if (rifiutato_) return;
    if (piano_ == nullptr) {
        // The first announcement: the plan is dimensioned and seeded.
        piano_ = &piano;
        if (piano.ultimo_metro < metri_minimi) {
            rifiutato_ = true;
            return;
        }
        temporaneo_ = nome_temporaneo(percorso_);
        fd_ = ops_.open_new(temporaneo_.c_str());
        if (fd_ < 0) {
            temporaneo_.clear();
            rifiutato_ = true;
            return;
        }
        try {
            lavoratore_ = std::thread(&scrittura_piano_anticipata::lavora, this);
        } catch (const std::system_error&) {
            rifiutato_ = true;
            chiudi_e_rimuovi();
            return;
        }
        separa_processori();
    }
    if (&piano != piano_ || !serializza_fino(fino)) rifiutato_ = true;
}

// Takes the points from where the last call stopped up to metre fino - 1 (at most
// the last real, lunghezza - 2), serialises them while the values are still in the
// processor's cache, and hands the range to the worker. The x column is always
// serialised here; the y column is left to the worker, unless the worker is behind
// (two ranges are waiting besides the one it writes) or this is the last range:
// then the worker would finish last, and the loader's thread takes both.
bool scrittura_piano_anticipata::serializza_fino(int32_t fino, bool ultima) {
    const planimetria_metrica& p = *piano_;
    const int32_t a = std::min(fino, p.ultimo_metro - 1);
    if (a <= serializzati_) return true;
    lavoro l;
    l.da = serializzati_;
    l.a = a;
    bool entrambe = ultima;
    {
        std::unique_lock<std::mutex> lk(mutex_);
        segnale_.wait(lk, [this] { return fallito_ || coda_.size() < coda_massima; });
        if (fallito_) return false;
        if (coda_.size() >= 2) entrambe = true;
        if (!liberi_.empty()) {
            l.byte = std::move(liberi_.back());
            liberi_.pop_back();
        }
    }
    const size_t colonna = l.colonna();
    if (l.byte.capacita < 2 * colonna) {
        l.byte.dati = std::make_unique_for_overwrite<char[]>(2 * colonna);
        l.byte.capacita = 2 * colonna;
    }
    char* out = l.byte.dati.get();
    if (!serializza_reali(p, 0, l.da, a, out)) return false;
    if (entrambe) {
        if (!serializza_reali(p, 1, l.da, a, out + colonna)) return false;
        l.y_serializzata = true;
    }
    serializzati_ = a;
    consegna(std::move(l));
    return true;
}

void scrittura_piano_anticipata::consegna(lavoro l) {
    {
        std::lock_guard<std::mutex> lk(mutex_);
        coda_.push_back(std::move(l));
    }
    segnale_.notify_all();
}

void scrittura_piano_anticipata::lavora() {
    ::pthread_setname_np(::pthread_self(), "binario-piano");  // for ps, top and perf
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

// Serialises the y columns still to do and writes each column of the ranges
// with one call.
bool scrittura_piano_anticipata::scrivi(std::vector<lavoro>& lotto) {
    const int32_t L = piano_->ultimo_metro;
    std::vector<iovec> x, y;
    for (lavoro& l : lotto) {
        const size_t colonna = l.colonna();
        char* dati = l.byte.dati.get();
        if (!l.y_serializzata && !serializza_reali(*piano_, 1, l.da, l.a, dati + colonna))
            return false;
        x.push_back({dati, colonna});
        y.push_back({dati + colonna, colonna});
    }
    const int32_t da = lotto.front().da;
    return scrivi_in_posizione(ops_, fd_, std::move(x), posizione_reale(L, 0, da)) == 0 &&
           scrivi_in_posizione(ops_, fd_, std::move(y), posizione_reale(L, 1, da)) == 0;
}

// The integers of metres 0 and 1 and the empty last two metres of each column.
bool scrittura_piano_anticipata::scrivi_estremi() {
    const planimetria_metrica& p = *piano_;
    const int32_t L = p.ultimo_metro;
    for (int c = 0; c < 2; ++c) {
        if (p.tipo(0, c) != tipo_valore::intero || p.tipo(1, c) != tipo_valore::intero ||
            p.tipo(L - 1, c) != tipo_valore::vuoto || p.tipo(L, c) != tipo_valore::vuoto)
            return false;
        char testa[byte_testa];
        char coda[byte_coda];
        serializza_elementi_piano(p, p.indice(0, c), p.indice(2, c), testa);
        serializza_elementi_piano(p, p.indice(L - 1, c), p.indice(L - 1, c) + 2, coda);
        if (scrivi_in_posizione(ops_, fd_, {{testa, sizeof testa}}, c * byte_colonna(L)) != 0 ||
            scrivi_in_posizione(ops_, fd_, {{coda, sizeof coda}}, posizione_reale(L, c, L - 1)) !=
                0)
            return false;
    }
    return true;
}

std::optional<std::string> scrittura_piano_anticipata::completa(const planimetria_metrica& piano) {
    bool pieno = !rifiutato_ && lavoratore_.joinable() && &piano == piano_ &&
                 serializza_fino(piano.ultimo_metro + 1, true);
    {
        std::lock_guard<std::mutex> lk(mutex_);
        finito_ = true;
        if (!pieno) fallito_ = true;
    }
    segnale_.notify_all();
    if (lavoratore_.joinable()) lavoratore_.join();
    riunisci_processori();
    // Every real of metres 2 to L - 2 must have been written.
    pieno = pieno && !fallito_ && serializzati_ == piano.ultimo_metro - 1 && scrivi_estremi();
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
void scrittura_piano_anticipata::separa_processori() {
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
}

void scrittura_piano_anticipata::riunisci_processori() {
    if (!affinita_cambiata_) return;
    ::sched_setaffinity(0, sizeof affinita_originale_, &affinita_originale_);
    affinita_cambiata_ = false;
}

void scrittura_piano_anticipata::chiudi_e_rimuovi() {
    if (fd_ >= 0) ops_.close(std::exchange(fd_, -1));
    if (!temporaneo_.empty()) ops_.unlink(std::exchange(temporaneo_, std::string()).c_str());
}

}  // namespace binario
