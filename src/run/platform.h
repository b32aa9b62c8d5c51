// The platform layer of the one-shot run: the program's folder, the waiting
// notice, and where the stop report goes.
#pragma once

#include <functional>
#include <string>

namespace binario {

// The folder that holds the running program (from /proc/self/exe).
std::string cartella_programma();

// The window's only text, shown once while the run works: "Attendere" on stderr.
void mostra_attesa();

// Where the stop report (" Errore n. 1250") goes when no one would read it on
// standard error: a message box, for a program started with no console of its
// own to write to (Windows, a double click). Empty while a console or a
// redirected standard error takes the text, and always on Linux.
std::function<void(const std::string&)> finestra_arresto();

}  // namespace binario
