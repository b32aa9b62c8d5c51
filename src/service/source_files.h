// Reading the two description files from disk, once and whole, for the loader.
#pragma once

#include <cstddef>
#include <string>

#include "compiler/scenario_loader.h"

namespace binario {

// The largest description file read: far beyond any real line (the built-in
// one is 40 KB), small enough that reading it whole costs little memory.
inline constexpr size_t massimo_file_descrizione = size_t{64} << 20;

// Reads the file at `percorso`; `nome` is how diagnostics name it. A missing file
// and a file that cannot be read (a folder, no permission, a symbolic link loop,
// not a regular file, larger than massimo_file_descrizione) are told apart, the
// latter with the reason.
sorgente leggi_sorgente(const std::string& percorso, const std::string& nome);

}  // namespace binario
