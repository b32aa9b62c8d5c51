#include "run/diagnostics_report.h"

#include <algorithm>
#include <cstdint>

#include "common/windows_1252.h"

namespace binario {

std::string riga_diagnostica(const diagnostica& d) {
    std::string dove;
    if (!d.file.empty()) {
        dove = d.file + (d.riga > 0 ? ":" + std::to_string(d.riga) : std::string()) +
               (d.riga > 0 && d.colonna > 0 ? ":" + std::to_string(d.colonna) : std::string()) +
               ": ";
    } else if (d.progressiva) {
        dove = "chainage " + std::to_string(*d.progressiva) + ": ";
    }
    const std::string messaggio = as_utf8(d.messaggio);
    const std::string dopo = d.dopo_arresto ? " (after the stop)" : "";
    if (d.nota) return dove + "note" + dopo + ": " + messaggio;
    if (d.avviso)
        return dove + "warning" + dopo + ": " + messaggio +
               (*d.nome ? " [" + std::string(d.nome) + "]" : std::string());
    return dove + "error " + std::to_string(d.numero) + dopo + ": " + messaggio;
}

totali_diagnostiche conta_diagnostiche(const modello& m, bool avvisi) {
    totali_diagnostiche t;
    for (const diagnostica& d : m.diagnostiche) {
        if (d.avviso && !avvisi) continue;
        ++(d.nota ? t.note : d.avviso ? t.avvisi : t.errori);
    }
    const conteggio_diagnostiche& c = m.conteggio;
    t.errori += c.errori_omessi;
    t.omessi += c.errori_omessi;
    if (avvisi) {
        t.avvisi += c.avvisi_omessi;
        t.note += c.note_omesse;
        t.omessi += c.avvisi_omessi + c.note_omesse;
    }
    return t;
}

int stampa_diagnostiche(const modello& m, std::FILE* out, bool avvisi) {
    for (const diagnostica& d : m.diagnostiche) {
        if (d.avviso && !avvisi) continue;
        const std::string riga = riga_diagnostica(d) + "\n";
        std::fwrite(riga.data(), 1, riga.size(), out);
    }
    const totali_diagnostiche t = conta_diagnostiche(m, avvisi);
    if (t.omessi > 0)
        std::fprintf(out, "%lld more not shown (the report keeps the first %zu)\n",
                     static_cast<long long>(t.omessi), m.regole.massimo);
    std::fprintf(out, "%lld error%s, %lld warning%s\n", static_cast<long long>(t.errori),
                 t.errori == 1 ? "" : "s", static_cast<long long>(t.avvisi),
                 t.avvisi == 1 ? "" : "s");
    return static_cast<int>(std::min<int64_t>(t.errori, INT32_MAX));
}

}  // namespace binario
