// The three compiled files the simulator loads, serialised field by field,
// little-endian, with no header and no padding.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "compiler/track_model.h"

namespace binario {

// The plan file: all x values of metres 0 to lunghezza_estesa, then all y values,
// each a 16-bit tag followed by nothing (0), an int16 (2) or a binary64 (5).
std::string serializza_piano(const planimetria_metrica& p);
std::string serializza_piano(const modello& m);

// The same bytes handed to `ricevi` in order, in blocks of at most `blocco` bytes
// (at least 10), so that the 20 MB of a long line never need to be held whole.
// Throws, possibly after some blocks, when the plan cannot be serialised.
void serializza_piano_a_blocchi(const planimetria_metrica& p, size_t blocco,
                                const std::function<void(std::string_view)>& ricevi);
void serializza_piano_a_blocchi(const modello& m, size_t blocco,
                                const std::function<void(std::string_view)>& ricevi);

// The table file: the 87 rows, each 34 bytes plus the length of its text.
std::string serializza_tabella(const modello& m);

// The cell file: 15 bytes a cell, cells 0 to ultima_cella.
std::string serializza_celle(const modello& m);

}  // namespace binario
