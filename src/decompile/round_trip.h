// Compiles recovered description files in memory and compares every byte of the
// result with the compiled set they came from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decompile/decompiler.h"

namespace binario {

// One difference, decoded: the file ("plan", "table", "cells" or "compile"), where
// in it (metre range, row or cell, with its field) and the two values.
struct differenza {
    std::string file;
    std::string dove;
    std::string atteso;
    std::string ottenuto;
};

struct esito_confronto {
    bool identico = false;
    std::vector<differenza> differenze;  // at most limite_differenze per file
    size_t differenze_totali = 0;        // all of them, also those not listed
};

constexpr size_t limite_differenze = 50;

// The model the two texts compile to, as the compile would build it; j != 0 builds
// the plan. Names as for the compiled files.
modello compila_testi(const std::string& testo_linea, const std::string& testo_treno,
                      const std::string& linea, const std::string& treno, int32_t j);

// Compiles the texts (with the plan when the set has one) and compares the three
// files byte for byte; the differences are listed decoded.
esito_confronto verifica_andata_ritorno(const insieme_compilato& s, const std::string& testo_linea,
                                        const std::string& testo_treno, const std::string& linea,
                                        const std::string& treno);

}  // namespace binario
