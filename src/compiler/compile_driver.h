// The compile driver: the order of the compile's steps on one model.
#pragma once

#include <cstdint>

#include "compiler/scenario_loader.h"
#include "compiler/track_model.h"

namespace binario {

struct esito_compilazione {
    file_consumati consumati;   // source files the loader deleted (one-shot run)
    bool celle_create = false;  // false: the loader stopped before the line length
    int32_t fermato = 0;        // 1250 or 1251 when the stamping guards stopped the run
    // The compiled files may be written only when this holds.
    bool da_scrivere() const { return celle_create && fermato == 0; }
};

// Steps 1 to 5 of the compile: reset, load, place the code marks, stamp the codes.
// m.linea and m.treno must be set. Writes nothing: the caller writes the files,
// and may follow the plan as it grows through `osservatore`.
esito_compilazione compila_modello(modello& m, int32_t j, const sorgente& linea,
                                   const sorgente& treno, osservatore_piano* osservatore = nullptr);

}  // namespace binario
