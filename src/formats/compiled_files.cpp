#include "formats/compiled_files.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "formats/compiled_records.h"

namespace binario {

namespace {

[[noreturn]] void tipo_sconosciuto(tipo_valore t) {
    throw std::invalid_argument("plan element with an unknown type tag " +
                                std::to_string(static_cast<unsigned>(t)));
}

// Bytes of one plan element: the 16-bit tag and its value.
size_t dimensione_elemento(tipo_valore t) {
    switch (t) {
        case tipo_valore::vuoto:
            return byte_elemento_vuoto;
        case tipo_valore::intero:
            return byte_elemento_intero;
        case tipo_valore::reale:
            return byte_elemento_reale;
    }
    tipo_sconosciuto(t);
}

int16_t valore_intero(double v) {
    if (!(v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max()) ||
        v != static_cast<double>(static_cast<int32_t>(v)))
        throw std::logic_error("plan element tagged as a 16-bit integer holds " +
                               std::to_string(v));
    return static_cast<int16_t>(v);
}

void controlla_dimensioni(const planimetria_metrica& p) {
    const size_t elementi = 2 * p.numero_metri();
    if (p.tipi.size() != elementi || p.valori.size() != elementi)
        throw std::logic_error("plan arrays do not match its dimension");
}

// Serialises elements from `i` on into [out, fine) while the next whole element
// fits; returns the end of what was written and leaves `i` at the next element.
char* elementi_piano(const planimetria_metrica& p, size_t& i, char* out, const char* fine) {
    const size_t elementi = p.tipi.size();
    const tipo_valore* tipi = p.tipi.data();
    const double* valori = p.valori.data();
    size_t k = i;  // a local index: the stores through `out` cannot alias it
    for (; k < elementi; ++k) {
        const tipo_valore t = tipi[k];
        const size_t spazio = static_cast<size_t>(fine - out);
        if (t == tipo_valore::reale) {
            if (spazio < byte_elemento_reale) break;
            out = metti_elemento_reale(out, valori[k]);
        } else if (t == tipo_valore::intero) {
            if (spazio < byte_elemento_intero) break;
            out = metti_elemento_intero(out, valore_intero(valori[k]));
        } else if (t == tipo_valore::vuoto) {
            if (spazio < byte_elemento_vuoto) break;
            out = metti_elemento_vuoto(out);
        } else {
            tipo_sconosciuto(t);
        }
    }
    i = k;
    return out;
}

}  // namespace

// An element of the plan holds its value as a double; a 16-bit integer element
// was stored from an int16 and so converts back exactly. A plan that was never
// dimensioned gives no bytes; a compact one gets its arrays first.
std::string serializza_piano(const planimetria_metrica& p) {
    if (p.compatta) return serializza_piano(p.materializzata());
    if (!p.esiste()) return {};
    controlla_dimensioni(p);
    size_t totale = 0;
    for (tipo_valore t : p.tipi) totale += dimensione_elemento(t);

    std::string out(totale, '\0');
    size_t i = 0;
    elementi_piano(p, i, out.data(), out.data() + out.size());
    return out;
}

std::string serializza_piano(const modello& m) {
    return serializza_piano(m.planimetria);
}

void serializza_piano_a_blocchi(const planimetria_metrica& p, size_t blocco,
                                const std::function<void(std::string_view)>& ricevi) {
    if (p.compatta) return serializza_piano_a_blocchi(p.materializzata(), blocco, ricevi);
    if (!p.esiste()) return;
    controlla_dimensioni(p);
    if (blocco < 10) throw std::invalid_argument("plan blocks must hold at least 10 bytes");
    // Not zeroed: each block hands over only the bytes just serialised.
    const auto buffer = std::make_unique_for_overwrite<char[]>(blocco);
    for (size_t i = 0; i < p.tipi.size();) {
        const char* fine = elementi_piano(p, i, buffer.get(), buffer.get() + blocco);
        ricevi(std::string_view(buffer.get(), static_cast<size_t>(fine - buffer.get())));
    }
}

void serializza_piano_a_blocchi(const modello& m, size_t blocco,
                                const std::function<void(std::string_view)>& ricevi) {
    serializza_piano_a_blocchi(m.planimetria, blocco, ricevi);
}

// The length of a text is a 16-bit field. Board texts, station names and the
// line and train names are one line of a source file each and never come near
// that; a longer text is refused rather than written cut or with a wrong length.
std::string serializza_tabella(const modello& m) {
    size_t totale = 0;
    for (size_t r = 0; r < m.tabella.size(); ++r) {
        const size_t n = m.tabella[r].testo.size();
        if (n > std::numeric_limits<uint16_t>::max())
            throw std::length_error("table row " + std::to_string(r) + ": text of " +
                                    std::to_string(n) +
                                    " bytes is longer than the 65535 a table record can hold");
        totale += byte_fissi_voce + n;
    }

    std::string out;
    out.reserve(totale);
    for (const voce& v : m.tabella)
        campi_voce(v, [&out](const char*, const auto& campo) { aggiungi_campo(out, campo); });
    return out;
}

// `celle` holds cells 0 to ultima_cella once the line length is known.
std::string serializza_celle(const modello& m) {
    std::string out(byte_cella * m.celle.size(), '\0');
    char* p = out.data();
    for (const cella& c : m.celle)
        campi_cella(c, [&p](const char*, auto campo) { p = metti_campo(p, campo); });
    return out;
}

}  // namespace binario
