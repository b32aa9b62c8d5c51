// Synthetic scenarios of any length for the benchmarks: a line and a train
// description in the canonical layout, built from one 10 km pattern repeated
// along the line (curves, gradients, tunnels, speed and direction boards,
// stations, signals and a slowdown with its warning board), so that the work per
// metre is the same at every length. They compile with no fault.
#pragma once

#include <cstdint>
#include <string>

namespace binario {

struct scenario_generato {
    std::string linea;        // line name
    std::string treno;        // train code
    int32_t lunghezza = 0;    // line length in metres
    std::string testo_linea;  // the line description file, CR LF line ends
    std::string testo_treno;  // the train description file
};

// lunghezza: 0 to 1000000 metres. Throws std::invalid_argument outside it.
scenario_generato genera_scenario(int32_t lunghezza);

// The fault a compile of the scenario finds, as text: empty when it compiles with
// errore_numero 0, no diagnostic and no stop of the stamping step.
std::string verifica_scenario(const scenario_generato& s);

}  // namespace binario
