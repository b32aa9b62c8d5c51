// How far the track plan is final while the loader is still computing it, so
// that a caller can write the points already known in parallel with the rest.
#pragma once

#include <cstdint>

#include "compiler/track_model.h"

namespace binario {

class osservatore_piano {
  public:
    virtual ~osservatore_piano() = default;
    // Points 0 to fino - 1 of both columns hold their final values and tags: the
    // loader never writes below `fino` again. Called from the loader's thread, with
    // `fino` growing, after the plan has been dimensioned and seeded.
    virtual void punti_pronti(const planimetria_metrica& piano, int32_t fino) = 0;
};

}  // namespace binario
