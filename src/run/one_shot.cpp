#include "run/one_shot.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/file_names.h"
#include "common/file_replace.h"
#include "compiler/compile_driver.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "documents/line_notes.h"
#include "documents/slowdown_order.h"
#include "documents/train_sheet.h"
#include "run/compiled_output.h"
#include "run/diagnostics_report.h"
#include "run/platform.h"
#include "run/source_files.h"

namespace binario {
namespace {

void cancella(const std::string& percorso) {
    if (::unlink(percorso.c_str()) != 0 && errno != ENOENT)
        throw file_error(percorso, "cannot delete: " + std::string(std::strerror(errno)));
}

}  // namespace

void memorizza_percorso(modello& m, const std::string& cartella, int32_t j) {
    const std::string nome_linea = nome_file_linea(m.linea);
    const std::string nome_treno = nome_file_treno(m.linea, m.treno);
    sorgente linea = leggi_sorgente(percorso_in(cartella, nome_linea), nome_linea);
    sorgente treno = leggi_sorgente(percorso_in(cartella, nome_treno), nome_treno);

    // The plan file is written while the plan is computed.
    std::optional<scrittura_piano_anticipata> anticipata;
    if (j != 0) anticipata.emplace(percorso_in(cartella, nome_file_piano(m.linea)));
    esito_compilazione esito =
        compila_modello(m, j, linea, treno, anticipata ? &*anticipata : nullptr);
    if (esito.consumati.linea) cancella(percorso_in(cartella, nome_linea));
    if (esito.consumati.treno) cancella(percorso_in(cartella, nome_treno));

    if (esito.fermato != 0) {
        anticipata.reset();  // errore() ends the process: drop the temporary first
        errore(std::to_string(esito.fermato));
    }
    if (!esito.da_scrivere()) return;

    scrivi_file_compilati(m, cartella, system_file_ops(), anticipata ? &*anticipata : nullptr);
}

int esegui_avvio(const std::string& cartella) {
    modello m;
    m.linea = "Lavena_Torre Alta";
    m.treno = "A 1";
    mostra_attesa();
    try {
        // The folder is this run's from the first file to the last.
        const auto blocco = prendi_cartella(cartella);
        dati_linea(cartella, m.linea);
        dati_treno(cartella, m.linea, m.treno);
        dati_note(cartella, m.linea, m.treno);
        dati_rallentamenti(cartella, m.linea, m.treno);
        dati_scheda(cartella, m.linea, m.treno);
        memorizza_percorso(m, cartella, 1);
    } catch (const file_error& e) {
        std::fprintf(stderr, "binario: %s\n", e.what());
        return 74;
    }
    if (m.errore_numero != 0 || !m.diagnostiche.empty()) {
        stampa_diagnostiche(m, stderr);
        return m.errore_numero != 0 ? 1 : 0;
    }
    return 0;
}

}  // namespace binario
