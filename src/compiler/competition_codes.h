// The two competition codes, checksums of the train code and the line name, and
// the code-stamping step that stores them with two fixed markers.
#pragma once

#include <cstdint>

#include "compiler/track_model.h"

namespace binario {

// Position-weighted sum over the first 25 characters of the working text.
int32_t codice_gara_st(modello& m);
// Plain sum over the same characters.
int16_t codice_gara_og(modello& m);

// The stamping step. Returns 0 when the markers and codes were stored, or 1250 /
// 1251 when a reserved slot was already in use; then nothing after the failing
// guard has been stored and the run must stop without writing compiled files.
int32_t timbra_codici(modello& m);

}  // namespace binario
