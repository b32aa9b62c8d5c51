#include "run/source_files.h"

#include <unistd.h>

#include "common/file_replace.h"

namespace binario {

sorgente leggi_sorgente(const std::string& percorso, const std::string& nome) {
    sorgente s;
    s.nome = nome;
    if (::access(percorso.c_str(), F_OK) != 0) {
        s.stato_file = sorgente::stato::assente;
        return s;
    }
    try {
        s.testo = leggi_file(percorso);
        s.stato_file = sorgente::stato::letto;
    } catch (const file_error& e) {
        s.stato_file = sorgente::stato::illeggibile;
        s.motivo = e.motivo();
    }
    return s;
}

}  // namespace binario
