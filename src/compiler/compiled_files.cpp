#include "compiler/compiled_files.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "common/byte_encoding.h"

namespace binario {

namespace {

// Bytes of one plan element: the 16-bit tag and its value.
size_t dimensione_elemento(tipo_valore t) {
    switch (t) {
        case tipo_valore::vuoto:
            return 2;
        case tipo_valore::intero:
            return 2 + 2;
        case tipo_valore::reale:
            return 2 + 8;
    }
    throw std::invalid_argument("plan element with an unknown type tag " +
                                std::to_string(static_cast<unsigned>(t)));
}

int16_t valore_intero(double v) {
    if (!(v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max()) ||
        v != static_cast<double>(static_cast<int32_t>(v)))
        throw std::logic_error("plan element tagged as a 16-bit integer holds " +
                               std::to_string(v));
    return static_cast<int16_t>(v);
}

constexpr size_t byte_fissi_voce = 34;
constexpr size_t byte_cella = 15;

}  // namespace

// An element of the plan holds its value as a double; a 16-bit integer element
// was stored from an int16 and so converts back exactly. A plan that was never
// dimensioned gives no bytes.
std::string serializza_piano(const modello& m) {
    const planimetria_metrica& p = m.planimetria;
    if (!p.esiste()) return {};
    const size_t elementi = 2 * p.numero_metri();
    if (p.tipi.size() != elementi || p.valori.size() != elementi)
        throw std::logic_error("plan arrays do not match its dimension");

    size_t totale = 0;
    for (tipo_valore t : p.tipi) totale += dimensione_elemento(t);

    std::string out;
    out.reserve(totale);
    for (size_t i = 0; i < elementi; ++i) {
        const tipo_valore t = p.tipi[i];
        aggiungi_u16(out, static_cast<uint16_t>(t));
        if (t == tipo_valore::intero)
            aggiungi_i16(out, valore_intero(p.valori[i]));
        else if (t == tipo_valore::reale)
            aggiungi_f64(out, p.valori[i]);
    }
    return out;
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
    for (const voce& v : m.tabella) {
        aggiungi_u8(out, v.genere);
        aggiungi_i32(out, v.valore1);
        aggiungi_i32(out, v.valore2);
        aggiungi_i32(out, v.valore3);
        aggiungi_u8(out, v.stato);
        aggiungi_u16(out, static_cast<uint16_t>(v.testo.size()));
        out.append(v.testo);
        aggiungi_i16(out, v.intero1);
        aggiungi_i16(out, v.intero2);
        aggiungi_i16(out, v.intero3);
        aggiungi_i16(out, v.intero4);
        aggiungi_i16(out, v.intero5);
        aggiungi_u8(out, v.ottetto1);
        aggiungi_u8(out, v.ottetto2);
        aggiungi_u8(out, v.ottetto3);
        aggiungi_u8(out, v.ottetto4);
        aggiungi_i32(out, v.codice);
    }
    return out;
}

// `celle` holds cells 0 to ultima_cella once the line length is known.
std::string serializza_celle(const modello& m) {
    std::string out;
    out.reserve(byte_cella * m.celle.size());
    for (const cella& c : m.celle) {
        aggiungi_u8(out, c.evento);
        aggiungi_i16(out, c.dato1);
        aggiungi_i16(out, c.dato2);
        aggiungi_i16(out, c.dato3);
        aggiungi_i16(out, c.dato4);
        aggiungi_u8(out, c.tempo);
        aggiungi_u8(out, c.marca);
        aggiungi_u8(out, c.galleria);
        aggiungi_u8(out, c.velocita);
        aggiungi_u8(out, c.pendenza);
        aggiungi_u8(out, c.aderenza);
    }
    return out;
}

}  // namespace binario
