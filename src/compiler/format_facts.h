// The fixed facts of the track model and of the compiled files, named once:
// event codes, error numbers, table rows, the cell length, record sizes and the
// rules between chainage and cell. Every step, reader and tool takes them from here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/rounding.h"

namespace binario {

// ---- Cells -------------------------------------------------------------------

// Each cell covers this many metres of line.
constexpr int32_t metri_cella = 50;

// The cell of an event recorded at chainage p (signals, slowdowns, speed boards,
// direction boards): round(p / 50 + 1). Rounded as one expression: round(p / 50) + 1
// differs at the ties.
inline int64_t cella_evento(int64_t p) {
    return arrotonda(static_cast<double>(p) / metri_cella + 1.0);
}

// The cell of a profile value at chainage p (gradient, speed, adhesion) and of a
// code mark record: round(p / 50).
inline int64_t cella_profilo(int64_t p) {
    return arrotonda(static_cast<double>(p) / metri_cella);
}

// The chainage at which cell c starts: the profile values of cell c hold from
// here, and the faults that name a cell give this chainage.
constexpr int64_t inizio_cella(int64_t c) {
    return c * metri_cella;
}

// The chainage an event in cell c was recorded for: the inverse of cella_evento
// for chainages that are multiples of 50.
constexpr int64_t progressiva_evento(int64_t c) {
    return (c - 1) * metri_cella;
}

// Event codes of a cell (`evento`).
enum evento_cella : uint8_t {
    evento_nessuno = 0,
    evento_segnale = 1,               // signal
    evento_fine_rallentamento = 2,    // slowdown end
    evento_inizio_rallentamento = 3,  // slowdown start
    evento_avviso_rallentamento = 4,  // slowdown warning board
    evento_passo_avviso = 5,          // one of the four cells before a warning board
    evento_indicatori_velocita = 6,   // speed indicator boards
    evento_stazione = 10,             // station mark
    evento_galleria = 11,             // tunnel mark; the cell stays free
    evento_codice = 12,               // code mark with a value
    evento_codice_senza_valore = 13,  // code mark without a value
    evento_cartello = 14,             // direction board
};

// Short English name of an event code, or nullptr for a code no step writes.
const char* nome_evento_cella(uint8_t evento);

// The value the placement pass gives the code marks it adds.
constexpr int16_t codice_normale = 180;

// Approach marks (`marca`): before stations 80 + j, j = 1 to 4.
constexpr uint8_t marca_stazione = 80;

// ---- Table rows ----------------------------------------------------------------

constexpr int numero_voci = 87;
// Station rows grow upward from 1; direction-board texts downward from 80.
constexpr int riga_prima_stazione = 1;
constexpr int riga_primo_cartello = 80;
constexpr int riga_ultimo_cartello = 2;
// The three kilometre-post references "tre", "due", "uno".
constexpr int riga_progressiva_tre = 81;
constexpr int riga_progressiva_due = 82;
constexpr int riga_progressiva_uno = 83;
// valore1 braked-mass percentage, valore2 line length as read, valore3 number of cars.
constexpr int riga_valori_generali = 84;
// The line: scenery settings, its name, the stamp and the line code.
constexpr int riga_linea = 85;
// The train: signal repetition, its code, sand and the clock.
constexpr int riga_treno = 86;

// ---- Track plan ----------------------------------------------------------------

// The curvature in radians per metre of a curve of degree 1 to 6 (index 0 to 5).
// Each metre of a curve turns the plan's step by this much, and lengthens it by
// the factor sqrt(1 + c * c).
inline constexpr std::array<double, 6> curvature_gradi{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};

// ---- Record sizes --------------------------------------------------------------

// A cell record in the cell file.
constexpr size_t byte_cella = 15;
// A table row without its text: the text adds its own length.
constexpr size_t byte_fissi_voce = 34;
// Plan elements: the 16-bit tag alone (empty), with an int16, with a binary64.
constexpr int byte_elemento_vuoto = 2;
constexpr int byte_elemento_intero = 2 + 2;
constexpr int byte_elemento_reale = 2 + 8;

// ---- Error numbers -------------------------------------------------------------

enum numero_errore : int32_t {
    errore_lunghezza_linea = 1,
    errore_progressive_non_multiple = 2,
    errore_ripetizione_primo_valore = 3,
    errore_ripetizione_secondo_valore = 4,
    errore_ripetizione_codici = 5,
    errore_cartello_occupato = 6,
    errore_abbattimento_occupato = 7,
    errore_stazione_non_multipla = 8,
    errore_marciapiede_non_multiplo = 9,
    errore_tabella_piena = 10,
    errore_codice_segnale = 11,
    errore_codice_inizio_rallentamento = 12,
    errore_codice_rallentamento = 13,
    errore_oltre_ultima_cella = 15,
    errore_segnale_occupato = 16,
    errore_avviso_occupato = 17,
    errore_inizio_occupato = 18,
    errore_fine_occupata = 19,
    errore_passo_avviso_occupato = 20,
    errore_indicatori_occupati = 21,
    errore_stazioni_vicine = 22,
    errore_stazione_in_testa = 24,
    errore_caricamento = 25,
    errore_file_linea_assente = 101,
    errore_generale_assente = 102,
    errore_planimetria = 103,
    errore_carattere_non_1252 = 104,
    errore_timbro_presente = 1250,
    errore_codice_presente = 1251,
};

struct significato_errore {
    int32_t numero;
    const char* testo;  // one line, English
};

// Every error number with its meaning, in increasing order.
std::span<const significato_errore> tabella_errori();

// The meaning of an error number, or nullptr for a number no step records.
const char* significato_di(int32_t numero);

}  // namespace binario
