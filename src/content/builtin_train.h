// The built-in train "A 1" as a train description file.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace binario {

// The 60 lines of the file followed by the end marker.
std::span<const std::string_view> righe_treno();

// Writes linea + "_" + treno + "-.txt" into the folder. Throws file_error.
void dati_treno(const std::string& cartella, const std::string& linea, const std::string& treno);

}  // namespace binario
