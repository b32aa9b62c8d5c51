#include "run/diagnostics_report.h"

#include "common/windows_1252.h"

namespace binario {

std::string riga_diagnostica(const diagnostica& d) {
    std::string dove;
    if (!d.file.empty()) {
        dove = d.file + (d.riga > 0 ? ":" + std::to_string(d.riga) : std::string()) + ": ";
    } else if (d.progressiva) {
        dove = "chainage " + std::to_string(*d.progressiva) + ": ";
    }
    const std::string messaggio = as_utf8(d.messaggio);
    if (d.avviso) return dove + "warning: " + messaggio;
    return dove + "error " + std::to_string(d.numero) + ": " + messaggio;
}

int stampa_diagnostiche(const modello& m, std::FILE* out, bool avvisi) {
    int errori = 0, avvertimenti = 0;
    for (const diagnostica& d : m.diagnostiche) {
        if (d.avviso && !avvisi) continue;
        (d.avviso ? avvertimenti : errori)++;
        const std::string riga = riga_diagnostica(d) + "\n";
        std::fwrite(riga.data(), 1, riga.size(), out);
    }
    std::fprintf(out, "%d error%s, %d warning%s\n", errori, errori == 1 ? "" : "s", avvertimenti,
                 avvertimenti == 1 ? "" : "s");
    return errori;
}

}  // namespace binario
