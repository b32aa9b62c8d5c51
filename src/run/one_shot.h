// The one-shot run: writes the built-in scenario's sources and documents into a
// folder, compiles the sources (deleting them, as the run always has) and writes
// the three compiled files beside the documents.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/track_model.h"

namespace binario {

// The compile driver of the one-shot run, on the sources in `cartella`.
// Returns the model's state; stops the program through errore on 1250 / 1251.
// Throws file_error when a compiled file cannot be written.
void memorizza_percorso(modello& m, const std::string& cartella, int32_t j);

// Start-up: the whole one-shot run in `cartella`. Returns the process exit status:
// 0 on success, 1 when the compile recorded faults (they are printed), 74 when a
// file cannot be written (the message names it). 1250 / 1251 end the program.
int esegui_avvio(const std::string& cartella);

}  // namespace binario
