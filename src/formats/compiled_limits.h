// The largest compiled files the compiler can write, so that a reader can refuse
// a larger file from its size alone, before reading it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compiler/format_facts.h"

namespace binario {

// The longest line the loader takes, and the metres the plan and the cells run
// past its end.
inline constexpr int64_t lunghezza_linea_massima = 1000000;
inline constexpr int64_t metri_oltre_la_fine = 7000;

// Plan: two columns of one element per metre, 0 to the line's end and beyond,
// each element at most a tagged binary64.
inline constexpr uint64_t byte_massimi_piano =
    2 * static_cast<uint64_t>(lunghezza_linea_massima + metri_oltre_la_fine + 1) *
    byte_elemento_reale;
// Cells: one record per 50 m of the same length, and the cell 0.
inline constexpr uint64_t byte_massimi_celle =
    static_cast<uint64_t>(
        (lunghezza_linea_massima + metri_oltre_la_fine + metri_cella / 2) / metri_cella + 1) *
    byte_cella;
// Table: its rows, each with the longest text a 16-bit length can give.
inline constexpr uint64_t byte_massimi_tabella =
    static_cast<uint64_t>(numero_voci) * (byte_fissi_voce + 0xFFFF);

// For "plan", "table" or "cells"; 0 for any other kind.
constexpr uint64_t byte_massimi_compilato(std::string_view tipo) {
    return tipo == "plan"    ? byte_massimi_piano
           : tipo == "table" ? byte_massimi_tabella
           : tipo == "cells" ? byte_massimi_celle
                             : 0;
}

}  // namespace binario
