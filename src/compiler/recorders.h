// The event recorders, which write tunnels, slowdowns, signals and speed boards
// into the cells, and the chainage sort of the kilometre-post references.
//
// Each recorder returns true when it recorded the record and false when it refused
// it; a refusal has already been recorded with registra_errore (number and the
// record's first position as chainage). Arguments passed by reference are the
// caller's variables: memo_montagna adjusts `tipo` and memo_segnale raises `tempo`.
#pragma once

#include <cstdint>

#include "compiler/track_model.h"

namespace binario {

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
