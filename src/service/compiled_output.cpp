#include "service/compiled_output.h"

#include <cstddef>
#include <memory>
#include <utility>

#include "common/file_names.h"
#include "formats/compiled_files.h"

namespace binario {

namespace {
// The plan is serialised and written a block at a time: a block stays in the
// processor's cache, and a long line's 20 MB are never held in memory twice.
constexpr size_t blocco_piano = 256 * 1024;
}  // namespace

std::vector<std::string> scrivi_file_compilati(const modello& m, const std::string& cartella,
                                               const file_ops& ops,
                                               scrittura_piano_anticipata* anticipata) {
    // The folder's lock before the streamed plan's temporary is closed: from then on
    // only the lock keeps it from being taken for a dead writer's.
    std::unique_ptr<blocco_cartella> blocco;
    try {
        blocco = prendi_cartella(cartella, {}, ops);
    } catch (const file_error& e) {
        if (e.percorso() != cartella) throw errore_insieme(e, errore_insieme::stato::invariato);
        // A folder that cannot be opened: told as the first file that cannot be written.
        const std::string primo =
            percorso_in(cartella, m.compila_planimetria != 0 ? nome_file_piano(m.linea)
                                                             : nome_file_tabella(m.linea, m.treno));
        throw errore_insieme(file_error(primo, e.motivo()), errore_insieme::stato::invariato);
    }
    const std::string tabella = serializza_tabella(m);
    const std::string celle = serializza_celle(m);

    std::vector<file_prodotto> files;
    if (m.compila_planimetria != 0) {
        file_prodotto piano{
            percorso_in(cartella, nome_file_piano(m.linea)),
            [&m](const ricevi_blocco& r) { serializza_piano_a_blocchi(m, blocco_piano, r); },
            {}};
        if (anticipata != nullptr && anticipata->percorso() == piano.percorso)
            piano.temporaneo = anticipata->completa(m.planimetria).value_or(std::string());
        files.push_back(std::move(piano));
    }
    files.push_back({percorso_in(cartella, nome_file_tabella(m.linea, m.treno)),
                     [&tabella](const ricevi_blocco& r) { r(tabella); },
                     {}});
    files.push_back({percorso_in(cartella, nome_file_celle(m.linea, m.treno)),
                     [&celle](const ricevi_blocco& r) { r(celle); },
                     {}});
    sostituisci_file_prodotti(files, ops);

    std::vector<std::string> scritti;
    for (const auto& f : files) scritti.push_back(f.percorso);
    return scritti;
}

}  // namespace binario
