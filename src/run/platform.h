// The platform layer of the one-shot run on Linux: the program's folder and
// the waiting notice.
#pragma once

#include <string>

namespace binario {

// The folder that holds the running program (from /proc/self/exe).
std::string cartella_programma();

// The window's only text, shown once while the run works: "Attendere" on stderr.
void mostra_attesa();

}  // namespace binario
