#include "compiler/track_model.h"

#include <utility>

namespace binario {

void registra_errore(modello& m, int32_t numero, std::optional<int32_t> progressiva,
                     std::string messaggio) {
    m.errore_numero = numero;
    if (progressiva) m.errore_progressiva = *progressiva;
    diagnostica d;
    d.numero = numero;
    d.progressiva = progressiva;
    d.file = m.sorgente_corrente;
    d.riga = m.riga_corrente;
    d.messaggio = std::move(messaggio);
    m.diagnostiche.push_back(std::move(d));
}

void registra_avviso(modello& m, std::string messaggio, int32_t riga) {
    diagnostica d;
    d.avviso = true;
    d.file = m.sorgente_corrente;
    d.riga = riga >= 0 ? riga : m.riga_corrente;
    d.messaggio = std::move(messaggio);
    m.diagnostiche.push_back(std::move(d));
}

}  // namespace binario
