#include "run/diagnostics_report.h"

namespace binario {

std::string riga_diagnostica(const diagnostica& d) {
    std::string dove;
    if (!d.file.empty()) {
        dove = d.file + ":" + std::to_string(d.riga) + ": ";
    } else if (d.progressiva) {
        dove = "chainage " + std::to_string(*d.progressiva) + ": ";
    }
    if (d.avviso) return dove + "warning: " + d.messaggio;
    return dove + "error " + std::to_string(d.numero) + ": " + d.messaggio;
}

int stampa_diagnostiche(const modello& m, std::FILE* out, bool avvisi) {
    int errori = 0, avvertimenti = 0;
    for (const diagnostica& d : m.diagnostiche) {
        if (d.avviso && !avvisi) continue;
        (d.avviso ? avvertimenti : errori)++;
        std::fprintf(out, "%s\n", riga_diagnostica(d).c_str());
    }
    std::fprintf(out, "%d error%s, %d warning%s\n", errori, errori == 1 ? "" : "s", avvertimenti,
                 avvertimenti == 1 ? "" : "s");
    return errori;
}

}  // namespace binario
