// The file-name rule: every name is built from the line name and the train code
// as they stand, blanks included.
#pragma once

#include <string>

namespace binario {

inline std::string nome_file_linea(const std::string& linea) {
    return linea + "_linea.txt";
}
inline std::string nome_file_treno(const std::string& linea, const std::string& treno) {
    return linea + "_" + treno + "-.txt";
}
inline std::string nome_file_note(const std::string& linea, const std::string& treno) {
    return linea + "_" + treno + "_" + "note.txt";
}
inline std::string nome_file_rallentamenti(const std::string& linea, const std::string& treno) {
    return linea + "_" + treno + "_" + "rallentamenti.txt";
}
inline std::string nome_file_scheda(const std::string& linea, const std::string& treno) {
    return linea + "_" + treno + "_" + "scheda_treno.txt";
}
inline std::string nome_file_piano(const std::string& linea) {
    return linea + "_linea.dat";
}
inline std::string nome_file_tabella(const std::string& linea, const std::string& treno) {
    return linea + "_" + treno + ".sim";
}
inline std::string nome_file_celle(const std::string& linea, const std::string& treno) {
    return linea + "_" + treno + ".dat";
}

// Full name of a file in a folder: the folder as given, "/", the file name.
inline std::string percorso_in(const std::string& cartella, const std::string& nome) {
    return cartella + "/" + nome;
}

}  // namespace binario
