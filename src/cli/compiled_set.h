// Finding a compiled set in a folder and reading its three files, shared by the
// commands that read compiled sets back (render --compiled, decompile).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/app.h"
#include "formats/compiled_reader.h"

namespace binario {

// A failure that ends the command: the exit status and the message (without the
// command's name).
struct errore_ricerca {
    int stato;
    std::string messaggio;
};

struct scenario_trovato {
    std::string linea, treno;
};

// The one scenario in `cartella` (NAME_CODE.sim beside NAME_CODE.dat and
// NAME_linea.dat), narrowed by the names given; both names given are taken as
// they are. Throws errore_ricerca (usage: none or several; I/O: cannot list).
scenario_trovato scegli_scenario(const std::string& cartella, const std::string& linea,
                                 const std::string& treno);

// A compiled file of kind `tipo` ("plan", "table", "cells") read whole. With
// `facoltativo`, a missing file gives nullopt. A file larger than any of its kind
// throws errore_ricerca with exit_bad_data, any other failure with exit_io.
std::optional<std::string> leggi_file_compilato(const std::string& percorso, const char* tipo,
                                                bool facoltativo);

// The decoded file, or errore_ricerca with exit_bad_data naming the file, its
// kind and the first byte that does not fit.
template <typename T>
T decodificato_o_errore(esito_decodifica<T> esito, const std::string& percorso, const char* tipo) {
    if (!esito.valido())
        throw errore_ricerca{
            exit_bad_data, "'" + percorso + "': malformed " + tipo + " file at byte " +
                               std::to_string(esito.errore->offset) + ": " + esito.errore->motivo};
    return std::move(esito.dati);
}

}  // namespace binario
