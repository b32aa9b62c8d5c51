#include "render/drawing_content.h"

#include <algorithm>
#include <set>

#include "compiler/format_facts.h"
#include "formats/compiled_records.h"

namespace binario {

std::vector<tratto_galleria> gallerie_da_celle(const std::vector<cella>& celle) {
    std::vector<tratto_galleria> gallerie;
    for (size_t i = 0; i < celle.size(); ++i) {
        const uint8_t g = celle[i].galleria;
        if (g == 0) continue;
        const bool continua = !gallerie.empty() && gallerie.back().tipo == g &&
                              gallerie.back().ultima_cella == static_cast<int32_t>(i) - 1;
        if (continua)
            gallerie.back().ultima_cella = static_cast<int32_t>(i);
        else
            gallerie.push_back({static_cast<int32_t>(i), static_cast<int32_t>(i), g});
    }
    return gallerie;
}

std::vector<punto_profilo> profilo_altimetrico(const std::vector<cella>& celle, int64_t lunghezza,
                                               double quota_iniziale) {
    std::vector<punto_profilo> punti;
    punti.push_back({0, quota_iniziale});
    int64_t millimetri = 0;  // per mille times metres
    for (size_t i = 0; i < celle.size(); ++i) {
        const int64_t inizio = inizio_cella(static_cast<int64_t>(i));
        if (inizio >= lunghezza) break;
        const int64_t fine = std::min(inizio + metri_cella, lunghezza);
        millimetri += (static_cast<int64_t>(celle[i].pendenza) - 100) * (fine - inizio);
        punti.push_back({fine, quota_iniziale + static_cast<double>(millimetri) / 1000.0});
    }
    return punti;
}

namespace {

// An event of cell i stands at the chainage it was recorded for.
int64_t progressiva_evento(size_t i) {
    return binario::progressiva_evento(static_cast<int64_t>(i));
}

}  // namespace

contenuto_disegno leggi_contenuto(const scenario_disegnabile& s) {
    contenuto_disegno c;
    c.linea = s.tabella[riga_linea].testo;
    c.treno = s.tabella[riga_treno].testo;
    c.lunghezza = std::max<int64_t>(0, s.tabella[riga_valori_generali].valore2);

    // Stations fill the rows from 1 upward; direction-board texts fill them from 80
    // downward, and the cells name those rows.
    std::set<int> righe_cartelli;
    for (const cella& x : s.celle)
        if (x.evento == evento_cartello) righe_cartelli.insert(x.dato1);
    for (int r = riga_prima_stazione; r < riga_primo_cartello; ++r) {
        const voce& v = s.tabella[static_cast<size_t>(r)];
        if (voce_vuota(v) || righe_cartelli.count(r) != 0) break;
        c.stazioni.push_back({v.testo, std::max<int64_t>(0, v.valore3)});
    }

    std::vector<size_t> inizi_aperti;
    for (size_t i = 0; i < s.celle.size(); ++i) {
        const cella& x = s.celle[i];
        const int64_t p = progressiva_evento(i);
        if (p < 0) continue;
        switch (x.evento) {
            case evento_segnale:
                c.segnali.push_back(p);
                break;
            case evento_indicatori_velocita:
                c.cartelli.push_back({p, x.dato1});
                break;
            case evento_avviso_rallentamento:
                c.avvisi.push_back({p, x.dato1});
                break;
            case evento_inizio_rallentamento:
                inizi_aperti.push_back(i);
                break;
            case evento_fine_rallentamento:
                if (!inizi_aperti.empty()) {
                    const size_t inizio = inizi_aperti.front();
                    inizi_aperti.erase(inizi_aperti.begin());
                    c.rallentamenti.push_back(
                        {progressiva_evento(inizio), p, s.celle[inizio].dato1});
                }
                break;
            default:
                break;
        }
    }
    // A slowdown whose start and end share a cell keeps only its start.
    for (const size_t i : inizi_aperti)
        c.rallentamenti.push_back({progressiva_evento(i), progressiva_evento(i), s.celle[i].dato1});
    std::sort(c.rallentamenti.begin(), c.rallentamenti.end(),
              [](const rallentamento_disegno& a, const rallentamento_disegno& b) {
                  return a.inizio < b.inizio;
              });
    c.gallerie = gallerie_da_celle(s.celle);

    c.fine_asse = std::max<int64_t>(c.lunghezza, 100);
    for (const stazione_disegno& st : c.stazioni)
        c.fine_asse = std::max(c.fine_asse, st.progressiva);
    for (const int64_t p : c.segnali) c.fine_asse = std::max(c.fine_asse, p);
    for (const cartello_disegno& b : c.cartelli) c.fine_asse = std::max(c.fine_asse, b.progressiva);
    for (const cartello_disegno& b : c.avvisi) c.fine_asse = std::max(c.fine_asse, b.progressiva);
    for (const rallentamento_disegno& r : c.rallentamenti)
        c.fine_asse = std::max(c.fine_asse, r.fine);
    return c;
}

}  // namespace binario
