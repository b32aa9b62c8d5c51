// Drawing a compiled scenario as one self-contained SVG picture: the track plan
// seen from above and the profile along the chainage. The picture is drawn only
// from what the three compiled files carry (cells, table, plan), so a scenario
// compiled in memory and the same scenario read back from its files give the
// same bytes. Output is deterministic: fixed number formatting, no locale, no
// clock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compiler/track_model.h"

namespace binario {

// The content of the three compiled files, by reference. The plan may be
// empty (not dimensioned, or no point assigned): the picture then says so.
struct scenario_disegnabile {
    const std::vector<cella>& celle;
    const std::array<voce, numero_voci>& tabella;
    const planimetria_metrica& planimetria;
};

struct opzioni_disegno {
    double quota_iniziale = 0.0;  // height of chainage 0 in metres
};

// One tunnel as the cells carry it: a maximal run of consecutive cells with the
// same non-zero galleria value. A change of value starts a new tunnel.
struct tratto_galleria {
    int32_t prima_cella = 0;
    int32_t ultima_cella = 0;  // included
    uint8_t tipo = 0;
};
std::vector<tratto_galleria> gallerie_da_celle(const std::vector<cella>& celle);

// The height profile from the gradients: cell i holds (pendenza - 100) per mille
// over chainage 50 i to 50 (i + 1). Points at 0, 50, 100, ... and at `lunghezza`
// itself, which may end inside a cell; the profile stops early where the cells
// end. Heights are summed in whole millimetres, so they carry no rounding drift.
struct punto_profilo {
    int64_t progressiva = 0;
    double quota = 0.0;
};
std::vector<punto_profilo> profilo_altimetrico(const std::vector<cella>& celle, int64_t lunghezza,
                                               double quota_iniziale);

struct punto_piano {
    double x = 0.0;
    double y = 0.0;
};

// Simplification of a polyline: the indices of the points kept, first and last
// always included, such that every point left out lies within `tolleranza` of the
// segment of kept points around it. A linear thinning pass, then Douglas-Peucker
// (iterative, so a million points need no deep recursion) on stretches of at most
// 512 points.
std::vector<size_t> semplifica_polilinea(std::span<const punto_piano> punti, double tolleranza);

// The whole picture.
std::string disegna_svg(const scenario_disegnabile& s, const opzioni_disegno& o = {});

}  // namespace binario
