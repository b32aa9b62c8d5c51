// How far the track plan is final while the loader is still computing it, so
// that a caller can write the points already known in parallel with the rest.
#pragma once

#include <cstdint>

#include "compiler/track_model.h"

namespace binario {

class osservatore_piano {
  public:
    virtual ~osservatore_piano() = default;

    // Asked once, when the plan has been dimensioned to `ultimo_metro` and before any
    // point is computed. True when the observer takes the reals as they are
    // computed, through spazio_reali(): the plan is then kept compact, without its
    // points.
    virtual bool prende_i_reali(int32_t /*ultimo_metro*/) { return false; }

    // For an observer that takes the reals: where the loader stores the plan file's
    // bytes of the reals of metres [da, a), x column first, y column
    // (a - da) * byte_elemento_reale bytes after it. Asked for each range between
    // two announcements; the range ends at a multiple of the announcement step or at
    // the plan's last metre but one. Reals past it are not stored.
    virtual char* spazio_reali(int32_t /*da*/, int32_t /*a*/) { return nullptr; }

    // Points 0 to fino - 1 of both columns hold their final values and tags (for an
    // observer that takes the reals: its space holds them): the loader never writes
    // below `fino` again. Called from the loader's thread, with `fino` growing,
    // after the plan has been dimensioned and seeded.
    virtual void punti_pronti(const planimetria_metrica& piano, int32_t fino) = 0;
};

}  // namespace binario
