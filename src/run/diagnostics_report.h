// Prints the faults and warnings of a compile in the form editors understand, and
// turns the texts they carry into UTF-8 for terminals and JSON readers.
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
// turned into UTF-8 (testo_utf8); the file name is left as it was given.
std::string riga_diagnostica(const diagnostica& d);

// Prints every diagnostic (warnings only when `avvisi`), then a summary line
// "N errors, M warnings" whose counts equal the lines printed. Returns the number
// of errors printed.
int stampa_diagnostiche(const modello& m, std::FILE* out, bool avvisi = true);

// Text that is valid UTF-8 is returned as it is; any other text is taken as
// Windows-1252 (the code page of the description files) and converted, byte by
// byte. The five bytes the code page leaves undefined become the control
// characters of the same number, so the result is always valid UTF-8.
std::string testo_utf8(std::string_view testo);

// The other way: UTF-8 text (a name typed on the command line) as Windows-1252, one
// byte per character. nullopt when a character has no Windows-1252 byte. Text that
// is not valid UTF-8 is taken to be single-byte already and returned as it is.
std::optional<std::string> testo_windows_1252(std::string_view testo);

}  // namespace binario
