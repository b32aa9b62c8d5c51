// Prints the faults and warnings of a compile in the form editors understand.
#pragma once

#include <cstdio>
#include <string>

#include "compiler/track_model.h"

namespace binario {

// One line: "FILE:LINE: error N: message", "FILE:LINE: warning: message", or, for
// faults with no source line, "chainage N: error N: message".
std::string riga_diagnostica(const diagnostica& d);

// Prints every diagnostic (warnings only when `avvisi`), then a summary line whose
// counts equal the lines printed. Returns the number of errors printed.
int stampa_diagnostiche(const modello& m, std::FILE* out, bool avvisi = true);

}  // namespace binario
