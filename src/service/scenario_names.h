// The line name and train code a pair of description files stands for, read from
// their file names when they follow the convention NAME_linea.txt and NAME_CODE-.txt.
#pragma once

#include <optional>
#include <string>

namespace binario {

// The file's own name, without its folder.
std::string base_name(const std::string& percorso);

// "Lavena_Torre Alta" from ".../Lavena_Torre Alta_linea.txt"; nullopt otherwise.
std::optional<std::string> linea_da_nome_file(const std::string& percorso_linea);

// "A 1" from ".../Lavena_Torre Alta_A 1-.txt" given the line name; nullopt when the
// name does not start with linea + "_" and end with "-.txt".
std::optional<std::string> treno_da_nome_file(const std::string& percorso_treno,
                                              const std::string& linea);

}  // namespace binario
