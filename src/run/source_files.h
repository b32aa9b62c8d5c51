// Reading the two description files from disk, once and whole, for the loader.
#pragma once

#include <string>

#include "compiler/scenario_loader.h"

namespace binario {

// Reads the file at `percorso`; `nome` is how diagnostics name it. A missing file
// and a file that cannot be read (a folder, no permission) are told apart.
sorgente leggi_sorgente(const std::string& percorso, const std::string& nome);

}  // namespace binario
