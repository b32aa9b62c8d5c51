#include "run/compiled_output.h"

#include "common/file_names.h"
#include "compiler/compiled_files.h"

namespace binario {

std::vector<std::string> scrivi_file_compilati(const modello& m, const std::string& cartella,
                                               const file_ops& ops) {
    std::string piano;
    if (m.compila_planimetria != 0) piano = serializza_piano(m);
    const std::string tabella = serializza_tabella(m);
    const std::string celle = serializza_celle(m);

    std::vector<file_da_scrivere> files;
    if (m.compila_planimetria != 0)
        files.push_back({percorso_in(cartella, nome_file_piano(m.linea)), piano});
    files.push_back({percorso_in(cartella, nome_file_tabella(m.linea, m.treno)), tabella});
    files.push_back({percorso_in(cartella, nome_file_celle(m.linea, m.treno)), celle});
    sostituisci_file_insieme(files, ops);

    std::vector<std::string> scritti;
    for (const auto& f : files) scritti.push_back(f.percorso);
    return scritti;
}

}  // namespace binario
