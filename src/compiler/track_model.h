// The track model: everything one compile builds and the compiled files carry.
// One plain struct, created by the caller and passed by reference to every step.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/format_facts.h"
#include "compiler/track_plan.h"

namespace binario {

// One 50-metre cell of the line. Field order is the order of the cell file.
struct cella {
    uint8_t evento = 0;
    int16_t dato1 = 0;
    int16_t dato2 = 0;
    int16_t dato3 = 0;
    int16_t dato4 = 0;
    uint8_t tempo = 0;
    uint8_t marca = 0;
    uint8_t galleria = 0;
    uint8_t velocita = 0;
    uint8_t pendenza = 0;
    uint8_t aderenza = 0;
};

// One row of the table: stations, board texts and the general rows 81 to 86.
struct voce {
    uint8_t genere = 0;
    int32_t valore1 = 0;
    int32_t valore2 = 0;
    int32_t valore3 = 0;
    uint8_t stato = 0;
    std::string testo;  // Windows-1252 bytes
    int16_t intero1 = 0;
    int16_t intero2 = 0;
    int16_t intero3 = 0;
    int16_t intero4 = 0;
    int16_t intero5 = 0;
    uint8_t ottetto1 = 0;
    uint8_t ottetto2 = 0;
    uint8_t ottetto3 = 0;
    uint8_t ottetto4 = 0;
    int32_t codice = 0;
};

// One fault, warning or note found while compiling, in the order found.
struct diagnostica {
    bool avviso = false;                 // a warning or a note: changes nothing in the compile
    int32_t numero = 0;                  // error number (0 for warnings)
    std::optional<int32_t> progressiva;  // chainage, where one belongs to the fault
    std::string file;                    // source file name, empty for faults of later steps
    int32_t riga = 0;                    // line of the record in that file, 0 when none
    std::string messaggio;               // short English message
    bool nota = false;                   // a note: information, never counted as a warning
    bool dopo_arresto = false;           // found after the error that stopped the load
    const char* nome = "";               // stable name of a warning or note, "" for faults
    int32_t colonna = 0;                 // column in that line (characters, from 1), 0 when none
};

// What is kept of the diagnostics. Past `massimo` kept ones, further warnings and
// faults are only counted, so that a file of millions of slips takes no memory for
// them; the first fault is kept whatever the count.
struct regole_diagnostiche {
    size_t massimo = 100;             // 0: no limit
    bool avvisi = true;               // false: warnings and notes are dropped
    std::vector<std::string> spenti;  // names of warnings that are dropped
};

struct conteggio_diagnostiche {
    int64_t errori = 0;  // all faults, kept or not
    int64_t avvisi = 0;  // all warnings kept or not (not those dropped by the rules)
    int64_t note = 0;
    int64_t errori_omessi = 0;  // counted past the limit, not kept
    int64_t avvisi_omessi = 0;  // warnings counted past the limit
    int64_t note_omesse = 0;
};

// Which record wrote a cell's event, and which one its approach mark, for messages
// about a later conflict or overwrite. Kept beside the cells, never written to the
// compiled files.
struct origine_evento {
    int32_t riga = 0;         // line of the record in its file
    int32_t progressiva = 0;  // the record's first number
    uint8_t file = 0;         // 0 unknown, 1 the line file, 2 the train file
    uint8_t evento = 0;       // the event it wrote
    // The approach mark (`marca`): a signal's or a station's record wrote it.
    enum class autore : uint8_t { nessuno, segnale, stazione };
    autore marca_di = autore::nessuno;
    uint8_t marca_file = 0;
    int32_t marca_riga = 0;
    int32_t marca_progressiva = 0;
};

constexpr int massimo_gallerie = 80;

struct modello {
    // Scalars
    std::string linea;
    std::string treno;
    int32_t compila_planimetria = 0;
    std::string riga;
    int32_t lunghezza_estesa = 0;
    int32_t ultima_cella = 0;
    int32_t errore_numero = 0;
    int32_t errore_progressiva = 0;
    int32_t risposta = 0;

    // Arrays
    std::vector<cella> celle;  // 0 to ultima_cella; empty until the line length is read
    planimetria_metrica planimetria;
    std::array<voce, numero_voci> tabella{};
    std::array<int32_t, massimo_gallerie + 1> inizio_gallerie{};
    std::array<int32_t, massimo_gallerie + 1> fine_gallerie{};
    int32_t numero_gallerie = 0;

    // The faults and warnings of the compile, beside the error state, kept by the
    // rules and counted.
    std::vector<diagnostica> diagnostiche;
    regole_diagnostiche regole;
    conteggio_diagnostiche conteggio;
    // Set while the loader goes on after the stopping error, to find further ones.
    bool in_diagnosi = false;
    // The longest line the loader takes (error 1 above it); a load that read no
    // line length checks its records against it. Lowered only by tools that
    // explore short lines, where each input must cost little.
    int32_t lunghezza_massima = 1000000;
    // Who wrote each cell's event (same indices as celle), and the two files' names.
    std::vector<origine_evento> origini;
    std::array<std::string, 3> nomi_file{};
    uint8_t file_corrente = 0;
    // Where the record being read comes from, for the diagnostics.
    std::string sorgente_corrente;
    int32_t riga_corrente = 0;

    bool cella_valida(int64_t i) const { return i >= 0 && i < static_cast<int64_t>(celle.size()); }
};

// A cell is free when it holds nothing or only a tunnel mark.
inline bool cella_libera(const cella& c) {
    return c.evento == evento_nessuno || c.evento == evento_galleria;
}

// Records a fault: the error state keeps the last number (and its chainage, when
// one belongs to it); the diagnostics keep them all, with the current source line.
void registra_errore(modello& m, int32_t numero, std::optional<int32_t> progressiva,
                     std::string messaggio);
// The same for a fault at a line and column of the current source.
void registra_errore_in(modello& m, int32_t numero, int32_t riga, int32_t colonna,
                        std::string messaggio);
// Records a warning under its stable name, which changes nothing else.
void registra_avviso(modello& m, const char* nome, std::string messaggio, int32_t riga = -1);
// Records a note: information that is no warning.
void registra_nota(modello& m, const char* nome, std::string messaggio, int32_t riga = -1,
                   int32_t colonna = 0);
// Whether a warning of that name would be kept or counted (not turned off).
bool avviso_attivo(const modello& m, const char* nome);
// Keeps a diagnostic by the rules and counts it.
void aggiungi_diagnostica(modello& m, diagnostica d);
// Counts a diagnostic of that kind; true when the rules keep it (it is then the
// caller's to add, with tieni_avviso for a warning or note).
bool conta_diagnostica(modello& m, bool avviso, bool nota);
// Adds a warning or note already counted and kept.
void tieni_avviso(modello& m, bool nota, const char* nome, std::string messaggio, int32_t riga,
                  int32_t colonna = 0);

// As registra_avviso, with the message made by `testo()` only when the warning is
// kept: past the limit a warning costs a count, not a text, so a file of millions
// of slips is read about as fast as a clean one.
template <class Testo>
void registra_avviso_pigro(modello& m, const char* nome, Testo&& testo, int32_t riga = -1) {
    if (avviso_attivo(m, nome) && conta_diagnostica(m, true, false))
        tieni_avviso(m, false, nome, testo(), riga);
}

}  // namespace binario
