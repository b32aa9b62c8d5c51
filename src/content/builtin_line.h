// The built-in line "Lavena_Torre Alta" as a line description file.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace binario {

// The 143 lines of the file followed by the end marker.
std::span<const std::string_view> righe_linea();

// Writes linea + "_linea.txt" into the folder. Throws file_error.
void dati_linea(const std::string& cartella, const std::string& linea);

}  // namespace binario
