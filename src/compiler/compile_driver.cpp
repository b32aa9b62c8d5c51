#include "compiler/compile_driver.h"

#include "compiler/code_placement.h"
#include "compiler/competition_codes.h"

namespace binario {

esito_compilazione compila_modello(modello& m, int32_t j, const sorgente& linea,
                                   const sorgente& treno, osservatore_piano* osservatore) {
    esito_compilazione esito;
    m.compila_planimetria = j;
    m.errore_numero = 0;
    for (voce& v : m.tabella) v = voce{};

    esito.consumati = memorizza_dati(m, linea, treno, osservatore);
    // Without the line length there is no cell array: nothing to place, stamp or write.
    esito.celle_create = !m.celle.empty();
    if (!esito.celle_create) return esito;

    m.sorgente_corrente.clear();
    m.riga_corrente = 0;
    posiziona_codici(m);
    esito.fermato = timbra_codici(m);
    return esito;
}

}  // namespace binario
