// The one-shot run: writes the built-in scenario's sources and documents into a
// folder, compiles the sources (deleting them, as the run always has) and writes
// the three compiled files beside the documents.
#pragma once

#include <cstdint>
#include <string>

#include "service/compile_service.h"

namespace binario {

// The compile step of the one-shot run, on the sources of `linea` and `treno` in
// `cartella`: deletes the sources the loader consumed and writes the compiled set
// there, unless the stamping stopped (result.stop) or a file failed (io_error).
compile_result memorizza_percorso(const std::string& linea, const std::string& treno,
                                  const std::string& cartella, int32_t j);

// Start-up: the whole one-shot run in `cartella`. A document that cannot be
// written ends the run early, with io_error set and nothing compiled.
compile_result esegui_avvio(const std::string& cartella);

}  // namespace binario
