// The slowdown order of the built-in scenario: fixed text for the driver.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace binario {

// The lines of the document followed by the end marker.
std::span<const std::string_view> righe_rallentamenti();

// Writes the document into the folder, named from the line name and train code.
// Throws file_error.
void dati_rallentamenti(const std::string& cartella, const std::string& linea,
                        const std::string& treno);

}  // namespace binario
