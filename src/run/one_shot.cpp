#include "run/one_shot.h"

#include <memory>
#include <string>

#include "common/file_names.h"
#include "common/file_replace.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "documents/line_notes.h"
#include "documents/slowdown_order.h"
#include "documents/train_sheet.h"
#include "run/platform.h"

namespace binario {

compile_result memorizza_percorso(const std::string& linea, const std::string& treno,
                                  const std::string& cartella, int32_t j) {
    compile_request r;
    r.line_file = {percorso_in(cartella, nome_file_linea(linea)), nome_file_linea(linea), {}};
    r.train_file = {
        percorso_in(cartella, nome_file_treno(linea, treno)), nome_file_treno(linea, treno), {}};
    r.line_name = linea;
    r.train_code = treno;
    r.output_folder = cartella;
    r.build_plan = j != 0;
    r.delete_consumed_sources = true;
    // The run writes whatever the compile gives, faults and all, as it always has.
    r.writes = write_rule::always;
    return compile_scenario(r);
}

compile_result esegui_avvio(const std::string& cartella) {
    const std::string linea = "Lavena_Torre Alta";
    const std::string treno = "A 1";
    mostra_attesa();
    std::unique_ptr<blocco_cartella> blocco;
    try {
        // The folder is this run's from the first file to the last.
        blocco = prendi_cartella(cartella);
        dati_linea(cartella, linea);
        dati_treno(cartella, linea, treno);
        dati_note(cartella, linea, treno);
        dati_rallentamenti(cartella, linea, treno);
        dati_scheda(cartella, linea, treno);
    } catch (const file_error& e) {
        compile_result fallito;
        fallito.io_error = io_failure{e.percorso(), e.motivo()};
        return fallito;
    }
    return memorizza_percorso(linea, treno, cartella, 1);
}

}  // namespace binario
