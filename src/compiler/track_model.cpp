#include "compiler/track_model.h"

#include <utility>

namespace binario {

bool avviso_attivo(const modello& m, const char* nome) {
    if (!m.regole.avvisi) return false;
    for (const std::string& n : m.regole.spenti)
        if (n == nome) return false;
    return true;
}

bool conta_diagnostica(modello& m, bool avviso, bool nota) {
    conteggio_diagnostiche& c = m.conteggio;
    const bool pieno = m.regole.massimo != 0 && m.diagnostiche.size() >= m.regole.massimo;
    if (!avviso) {
        // The first fault is kept whatever the count: it is the one that stopped the load.
        const bool primo = c.errori == 0;
        ++c.errori;
        if (pieno && !primo) {
            ++c.errori_omessi;
            return false;
        }
    } else {
        ++(nota ? c.note : c.avvisi);
        if (pieno) {
            ++(nota ? c.note_omesse : c.avvisi_omessi);
            return false;
        }
    }
    return true;
}

void aggiungi_diagnostica(modello& m, diagnostica d) {
    if (!conta_diagnostica(m, d.avviso, d.nota)) return;
    d.dopo_arresto = d.dopo_arresto || m.in_diagnosi;
    m.diagnostiche.push_back(std::move(d));
}

void registra_errore(modello& m, int32_t numero, std::optional<int32_t> progressiva,
                     std::string messaggio) {
    // Faults found after the stop change nothing: the error state stays the first one's.
    if (!m.in_diagnosi) {
        m.errore_numero = numero;
        if (progressiva) m.errore_progressiva = *progressiva;
    }
    diagnostica d;
    d.numero = numero;
    d.progressiva = progressiva;
    d.file = m.sorgente_corrente;
    d.riga = m.riga_corrente;
    d.messaggio = std::move(messaggio);
    aggiungi_diagnostica(m, std::move(d));
}

void registra_errore_in(modello& m, int32_t numero, int32_t riga, int32_t colonna,
                        std::string messaggio) {
    if (!m.in_diagnosi) m.errore_numero = numero;
    diagnostica d;
    d.numero = numero;
    d.file = m.sorgente_corrente;
    d.riga = riga;
    d.colonna = colonna;
    d.messaggio = std::move(messaggio);
    aggiungi_diagnostica(m, std::move(d));
}

void tieni_avviso(modello& m, bool nota, const char* nome, std::string messaggio, int32_t riga,
                  int32_t colonna) {
    diagnostica d;
    d.avviso = true;
    d.nota = nota;
    d.nome = nome;
    d.file = m.sorgente_corrente;
    d.riga = riga >= 0 ? riga : m.riga_corrente;
    d.colonna = colonna;
    d.messaggio = std::move(messaggio);
    d.dopo_arresto = m.in_diagnosi;
    m.diagnostiche.push_back(std::move(d));
}

namespace {
void registra_avviso_o_nota(modello& m, bool nota, const char* nome, std::string messaggio,
                            int32_t riga, int32_t colonna = 0) {
    if (avviso_attivo(m, nome) && conta_diagnostica(m, true, nota))
        tieni_avviso(m, nota, nome, std::move(messaggio), riga, colonna);
}
}  // namespace

void registra_avviso(modello& m, const char* nome, std::string messaggio, int32_t riga) {
    registra_avviso_o_nota(m, false, nome, std::move(messaggio), riga);
}

void registra_nota(modello& m, const char* nome, std::string messaggio, int32_t riga,
                   int32_t colonna) {
    registra_avviso_o_nota(m, true, nome, std::move(messaggio), riga, colonna);
}

}  // namespace binario
