#include "compiler/track_model.h"

#include <utility>

namespace binario {

void planimetria_metrica::dimensiona(int32_t lunghezza_estesa) {
    static_assert(static_cast<int>(tipo_valore::vuoto) == 0, "zeroed tags are empty");
    cancella();
    const size_t elementi = 2 * (static_cast<size_t>(lunghezza_estesa) + 1);
    tipi.azzera(elementi);
    valori.azzera(elementi);
    ultimo_metro = lunghezza_estesa;
}

void planimetria_metrica::cancella() {
    ultimo_metro = -1;
    tipi.clear();
    valori.clear();
}

void planimetria_metrica::assegna_intero(int32_t metro, int c, int16_t v) {
    tipi[indice(metro, c)] = tipo_valore::intero;
    valori[indice(metro, c)] = v;
}

void planimetria_metrica::assegna_reale(int32_t metro, int c, double v) {
    tipi[indice(metro, c)] = tipo_valore::reale;
    valori[indice(metro, c)] = v;
}

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
