// The records of the compiled files, each with its field list written once: the
// cell of the cell file, the row of the table file and the tagged element of the
// plan file. The writers, the reader, `inspect` and the drawing all go through
// these lists, so a field is added or moved in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "common/byte_encoding.h"
#include "compiler/format_facts.h"
#include "compiler/track_model.h"

namespace binario {

// Calls visita(name, field) for each field of a cell, in file order. `Cella` is
// cella or const cella. Every field is fixed-width: byte_cella bytes in all.
template <class Cella, class Visita>
requires std::is_same_v<std::remove_const_t<Cella>, cella>
constexpr void campi_cella(Cella& c, Visita&& visita) {
    visita("evento", c.evento);
    visita("dato1", c.dato1);
    visita("dato2", c.dato2);
    visita("dato3", c.dato3);
    visita("dato4", c.dato4);
    visita("tempo", c.tempo);
    visita("marca", c.marca);
    visita("galleria", c.galleria);
    visita("velocita", c.velocita);
    visita("pendenza", c.pendenza);
    visita("aderenza", c.aderenza);
}

// Calls visita(name, field) for each field of a table row, in file order. The
// text `testo` is a std::string and takes a 16-bit length and its bytes; the
// other fields are fixed-width, byte_fissi_voce bytes with the length.
template <class Voce, class Visita>
requires std::is_same_v<std::remove_const_t<Voce>, voce>
constexpr void campi_voce(Voce& v, Visita&& visita) {
    visita("genere", v.genere);
    visita("valore1", v.valore1);
    visita("valore2", v.valore2);
    visita("valore3", v.valore3);
    visita("stato", v.stato);
    visita("testo", v.testo);
    visita("intero1", v.intero1);
    visita("intero2", v.intero2);
    visita("intero3", v.intero3);
    visita("intero4", v.intero4);
    visita("intero5", v.intero5);
    visita("ottetto1", v.ottetto1);
    visita("ottetto2", v.ottetto2);
    visita("ottetto3", v.ottetto3);
    visita("ottetto4", v.ottetto4);
    visita("codice", v.codice);
}

// The numeric fields of a row, in file order, without the text.
template <class Voce, class Visita>
constexpr void campi_numerici_voce(Voce& v, Visita&& visita) {
    campi_voce(v, [&](const char* nome, auto& campo) {
        if constexpr (!std::is_same_v<std::remove_cvref_t<decltype(campo)>, std::string>)
            visita(nome, campo);
    });
}

// A row that holds nothing: every number 0 and the text empty, as after a reset.
inline bool voce_vuota(const voce& v) {
    bool vuota = true;
    campi_voce(v, [&vuota](const char*, const auto& campo) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(campo)>, std::string>)
            vuota = vuota && campo.empty();
        else
            vuota = vuota && campo == 0;
    });
    return vuota;
}

// ---- One field in its file form -------------------------------------------------

// Stored at p in a buffer the caller has sized; returns the position after it.
inline char* metti_campo(char* p, uint8_t v) {
    return metti_u8(p, v);
}
inline char* metti_campo(char* p, int16_t v) {
    return metti_i16(p, v);
}
inline char* metti_campo(char* p, int32_t v) {
    return metti_i32(p, v);
}

// Appended to a byte string. A text is its 16-bit length and its bytes; the
// caller has checked that the length fits.
inline void aggiungi_campo(std::string& out, uint8_t v) {
    aggiungi_u8(out, v);
}
inline void aggiungi_campo(std::string& out, int16_t v) {
    aggiungi_i16(out, v);
}
inline void aggiungi_campo(std::string& out, int32_t v) {
    aggiungi_i32(out, v);
}
inline void aggiungi_campo(std::string& out, const std::string& testo) {
    aggiungi_u16(out, static_cast<uint16_t>(testo.size()));
    out.append(testo);
}

// Read from a byte view; false, reading nothing, when the field is cut short.
inline bool leggi_campo(lettore_byte& in, uint8_t& v) {
    return in.u8(v);
}
inline bool leggi_campo(lettore_byte& in, uint16_t& v) {
    return in.u16(v);
}
inline bool leggi_campo(lettore_byte& in, int16_t& v) {
    return in.i16(v);
}
inline bool leggi_campo(lettore_byte& in, int32_t& v) {
    return in.i32(v);
}

// ---- Plan elements: a 16-bit type tag, then nothing, an int16 or a binary64 ----

// Whether a tag is one of the three a plan holds.
constexpr bool tag_elemento_noto(uint16_t tag) {
    return tag == static_cast<uint16_t>(tipo_valore::vuoto) ||
           tag == static_cast<uint16_t>(tipo_valore::intero) ||
           tag == static_cast<uint16_t>(tipo_valore::reale);
}

// The bytes of an element's value after its tag; nothing for a tag no plan holds.
constexpr size_t larghezza_valore(uint16_t tag) {
    switch (tag) {
        case static_cast<uint16_t>(tipo_valore::vuoto):
            return byte_elemento_vuoto - 2;
        case static_cast<uint16_t>(tipo_valore::intero):
            return byte_elemento_intero - 2;
        case static_cast<uint16_t>(tipo_valore::reale):
            return byte_elemento_reale - 2;
        default:
            return 0;
    }
}

// Each stores one element at p, in a buffer the caller has sized, and returns the
// position just after it.
inline char* metti_elemento_reale(char* p, double v) {
    return metti_f64(metti_u16(p, static_cast<uint16_t>(tipo_valore::reale)), v);
}

inline char* metti_elemento_intero(char* p, int16_t v) {
    return metti_i16(metti_u16(p, static_cast<uint16_t>(tipo_valore::intero)), v);
}

inline char* metti_elemento_vuoto(char* p) {
    return metti_u16(p, static_cast<uint16_t>(tipo_valore::vuoto));
}

}  // namespace binario
