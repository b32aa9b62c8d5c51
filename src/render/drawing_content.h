// What the picture shows, read from the three compiled files: the stations,
// signals, boards, slowdowns and tunnels at their chainages, and the height
// profile from the gradients. Nothing here knows the page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

struct stazione_disegno {
    std::string testo;  // Windows-1252, as in the table
    int64_t progressiva = 0;
};

struct cartello_disegno {
    int64_t progressiva = 0;
    int16_t dato1 = 0;
};

struct rallentamento_disegno {
    int64_t inizio = 0;
    int64_t fine = 0;
    int16_t velocita = 0;
};

struct contenuto_disegno {
    std::string linea, treno;  // Windows-1252
    int64_t lunghezza = 0;
    std::vector<stazione_disegno> stazioni;
    std::vector<int64_t> segnali;
    std::vector<cartello_disegno> cartelli;
    std::vector<cartello_disegno> avvisi;  // slowdown warning boards
    std::vector<rallentamento_disegno> rallentamenti;
    std::vector<tratto_galleria> gallerie;
    int64_t fine_asse = 0;  // the chainage axis runs from 0 to here
};

// Reads the picture's content from the compiled data.
contenuto_disegno leggi_contenuto(const scenario_disegnabile& s);

}  // namespace binario
