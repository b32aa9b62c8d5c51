// The event recorders, which write tunnels, slowdowns, signals and speed boards
// into the cells, and the chainage sort of the kilometre-post references.
//
// Each recorder returns true when it recorded the record and false when it refused
// it; a refusal has already been recorded with registra_errore (number and the
// record's first position as chainage). Arguments passed by reference are the
// caller's variables: memo_montagna adjusts `tipo` and memo_segnale raises `tempo`.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/track_model.h"

namespace binario {

// Notes that the record being read (its line, file and first number) wrote the
// event now in cell c, so that a later conflict can name it.
void segna_origine(modello& m, int64_t c, int32_t progressiva);

// The event in cell c in an author's words, with the record that wrote it when
// known: "the approach step of the slowdown at 4150 m (t.txt:18)".
std::string chi_occupa(const modello& m, int64_t c);

// The approach marks (`marca`) one record writes: a signal's before the signal, a
// station's before its platform end. A mark of another value that another record
// wrote is replaced, as the format says; each record whose marks are replaced is
// warned about once (event-overwritten), with the cells.
class marche_avvicinamento {
  public:
    marche_avvicinamento(modello& m, origine_evento::autore chi, int32_t progressiva)
        : m_(m), chi_(chi), progressiva_(progressiva) {}
    // Writes `valore` into cell c's mark; c must be a cell of the model.
    void scrivi(int64_t c, uint8_t valore);
    // The warnings for the marks replaced, one per earlier record.
    void avvisa();

  private:
    struct sostituita {
        int64_t cella;
        origine_evento prima;
    };
    modello& m_;
    origine_evento::autore chi_;
    int32_t progressiva_;
    int n_ = 0;
    sostituita sostituite_[4]{};
};

// A value stored by its low 16 or 8 bits, as the format does; a warning names it
// when it does not fit, since the stored number is then another one.
int16_t basso16(modello& m, int64_t v, const std::string& cosa);
uint8_t basso8(modello& m, int64_t v, const std::string& cosa);

void progressive_ordina(modello& m);

bool memo_montagna(modello& m, int32_t& inizio, int32_t& fine, int32_t& tipo);

bool memo_rallentamento(modello& m, int32_t x, int32_t& v, int32_t& l, int32_t& f_tt, int32_t f_ta,
                        int32_t& d_v);

bool memo_segnale(modello& m, int32_t posizione, int32_t& sx, int32_t& s1, int32_t& s2, int32_t& s3,
                  int32_t& rapp, int32_t& dx, int32_t& d1, int32_t& d2, int32_t& d3,
                  int32_t& tempo);

bool memo_indicatori_v_max(modello& m, int32_t posizione, int32_t& vas, int32_t& vbs, int32_t& vcs,
                           int32_t& strisces, int32_t& vad, int32_t& vbd, int32_t& vcd,
                           int32_t& strisced);

}  // namespace binario
