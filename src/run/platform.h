// The platform layer of the one-shot run on Linux: the program's folder, the
// waiting notice and the error report.
#pragma once

#include <string>

namespace binario {

// The folder that holds the running program (from /proc/self/exe).
std::string cartella_programma();

// The window's only text, shown once while the run works: "Attendere" on stderr.
void mostra_attesa();

// The error report: " Errore n. " and the number on stderr, then the program ends
// with exit status 2. Never returns.
[[noreturn]] void errore(const std::string& a);

}  // namespace binario
