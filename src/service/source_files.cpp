#include "service/source_files.h"

#include <unistd.h>

#include <cerrno>

#include "common/file_replace.h"

namespace binario {

sorgente leggi_sorgente(const std::string& percorso, const std::string& nome) {
    sorgente s;
    s.nome = nome;
    // Only a name that leads nowhere is missing; a loop of links or a folder
    // without permission is reported with its reason.
    if (::access(percorso.c_str(), F_OK) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        s.stato_file = sorgente::stato::assente;
        return s;
    }
    try {
        s.testo = leggi_file(percorso, massimo_file_descrizione);
        s.stato_file = sorgente::stato::letto;
    } catch (const file_troppo_grande& e) {
        s.stato_file = sorgente::stato::illeggibile;
        s.motivo = e.motivo();
        s.troppo_grande = true;
    } catch (const file_error& e) {
        s.stato_file = sorgente::stato::illeggibile;
        s.motivo = e.motivo();
    }
    return s;
}

}  // namespace binario
