// Writing the compiled files of a model into a folder, as one set.
#pragma once

#include <string>
#include <vector>

#include "common/file_replace.h"
#include "compiler/track_model.h"
#include "service/plan_stream.h"

namespace binario {

// Writes the plan file (only when compila_planimetria is not 0), the table file and
// the cell file into `cartella`. All three go to temporary files first and are
// renamed into place only when every one is complete; on a failure the old files
// stay as they were and file_error names the file and the reason.
// When the plan was already written while it was computed, `anticipata` hands
// over its temporary; the plan is written the ordinary way when it has none.
// Returns the paths written, in that order.
std::vector<std::string> scrivi_file_compilati(const modello& m, const std::string& cartella,
                                               const file_ops& ops = system_file_ops(),
                                               scrittura_piano_anticipata* anticipata = nullptr);

}  // namespace binario
