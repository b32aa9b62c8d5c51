#include "compiler/competition_codes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace binario {

namespace {

// Thirteen letters, each twice: a to i, then l, m, n, o.
constexpr const char* riempitivo = "aabbccddeeffgghhiillmmnnoo";
constexpr size_t caratteri_contati = 25;

// Train code, then line name, A to Z lowered, then the filler; kept in m.riga.
const std::string& testo_di_lavoro(modello& m) {
    std::string t = m.tabella[riga_treno].testo + m.tabella[riga_linea].testo;
    for (char& c : t) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    t += riempitivo;
    m.riga = std::move(t);
    return m.riga;
}

int32_t codice_carattere(const std::string& t, size_t i) {
    return static_cast<unsigned char>(t[i]);
}

}  // namespace

int32_t codice_gara_st(modello& m) {
    const std::string& t = testo_di_lavoro(m);
    int32_t somma = 0;
    for (size_t p = 1; p <= caratteri_contati; ++p) {
        somma += codice_carattere(t, p - 1) * static_cast<int32_t>(p);
    }
    return somma;
}

int16_t codice_gara_og(modello& m) {
    const std::string& t = testo_di_lavoro(m);
    int16_t somma = 0;
    for (size_t p = 1; p <= caratteri_contati; ++p) {
        somma = static_cast<int16_t>(somma + codice_carattere(t, p - 1));
    }
    return somma;
}

int32_t timbra_codici(modello& m) {
    // The stamps live in cell 1; a model without it has nothing to stamp.
    if (m.celle.size() < 2) return 0;
    voce& linea = m.tabella[riga_linea];
    cella& prima = m.celle[1];

    if (linea.intero1 != 0 || prima.dato1 != 0) return errore_timbro_presente;
    linea.intero1 = 610;
    prima.dato1 = 5121;

    if (linea.codice != 0 || prima.dato2 != 0) return errore_codice_presente;
    linea.codice = codice_gara_st(m);
    prima.dato2 = codice_gara_og(m);
    return 0;
}

}  // namespace binario
