// The signal code placement pass: code marks (evento 12, dato1 180) before the
// signals that precede a slowdown warning board, before and inside slowdowns,
// and before the first signal after a slowdown's end.
#pragma once

#include <cstdint>

#include "compiler/track_model.h"

namespace binario {

// The smaller of two values; the first one when they are equal.
int16_t minimo(int16_t x, int16_t y);

// Runs the pass over m.celle. Faults (11, 12, 13) are recorded and the pass goes on.
void posiziona_codici(modello& m);

}  // namespace binario
