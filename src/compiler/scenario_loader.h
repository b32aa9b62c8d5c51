// The scenario loader: reads the line description and then the train description
// into the track model.
#pragma once

#include <string>

#include "compiler/plan_progress.h"
#include "compiler/track_model.h"

namespace binario {

// A source file as the loader receives it: read once, whole, by the caller.
struct sorgente {
    enum class stato { letto, assente, illeggibile };
    stato stato_file = stato::assente;
    std::string nome;            // the file's name, for diagnostics
    std::string testo;           // the whole content when letto
    std::string motivo;          // the operating system's reason when illeggibile
    bool troppo_grande = false;  // illeggibile because larger than a description file may be
};

// Which source files the loader has consumed. The one-shot run deletes them; the
// authoring tool never touches its user's files.
struct file_consumati {
    bool linea = false;
    bool treno = false;
};

// Fills m from the two sources. Expects tabella reset, errore_numero 0 and
// compila_planimetria set, as the compile driver leaves them. An observer, when
// given, hears how far the plan is final as it grows.
file_consumati memorizza_dati(modello& m, const sorgente& linea, const sorgente& treno,
                              osservatore_piano* osservatore = nullptr);

}  // namespace binario
