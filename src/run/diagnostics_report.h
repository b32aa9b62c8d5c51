// Prints the faults and warnings of a compile in the form editors understand.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/track_model.h"

namespace binario {

// One line: "FILE:LINE: error N: message", "FILE:LINE: warning: message"; without a
// line number "FILE: error N: message"; for faults with no source file, such as
// those of the code placement pass, "chainage N: error N: message". The message is
// turned into UTF-8 (as_utf8); the file name is left as it was given.
std::string riga_diagnostica(const diagnostica& d);

// Prints every diagnostic (warnings only when `avvisi`), then a summary line
// "N errors, M warnings" whose counts equal the lines printed. Returns the number
// of errors printed.
int stampa_diagnostiche(const modello& m, std::FILE* out, bool avvisi = true);

}  // namespace binario
