// Drawing a compiled scenario as one self-contained SVG picture: the track plan
// seen from above and the profile along the chainage. The picture is drawn only
// from what the three compiled files carry (cells, table, plan), so a scenario
// compiled in memory and the same scenario read back from its files give the
// same bytes. Output is deterministic: fixed number formatting, no locale, no
// clock.
#pragma once

#include <string>

#include "render/drawing_content.h"

namespace binario {

struct opzioni_disegno {
    double quota_iniziale = 0.0;  // height of chainage 0 in metres
};

// The whole picture.
std::string disegna_svg(const scenario_disegnabile& s, const opzioni_disegno& o = {});

}  // namespace binario
