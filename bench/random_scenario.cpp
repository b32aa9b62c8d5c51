#include "random_scenario.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "compiler/compile_driver.h"
#include "compiler/scenario_loader.h"
#include "compiler/track_model.h"

namespace binario {
namespace {

void riga(std::string& out, const std::string& s) {
    out += s;
    out += "\r\n";
}

std::string n(int64_t v) {
    return std::to_string(v);
}

// The cells taken by events, so that no recorder finds its cell occupied.
struct occupate {
    std::set<int64_t> celle;
    int64_t ultima;
    bool libere(std::initializer_list<int64_t> cs) const {
        for (int64_t c : cs)
            if (c < 2 || c > ultima || celle.count(c)) return false;
        return true;
    }
    void prendi(std::initializer_list<int64_t> cs) {
        for (int64_t c : cs) celle.insert(c);
    }
};

std::string testo_casuale(const scegli& caso) {
    static const char lettere[] = "ABCDEFGHILMNOPRSTUVZ().";
    std::string t;
    const int64_t lunghezza = caso(1, 24);
    for (int64_t i = 0; i < lunghezza; ++i) {
        if (i > 0 && i + 1 < lunghezza && caso(0, 5) == 0)
            t += ' ';
        else
            t += lettere[caso(0, sizeof lettere - 2)];
    }
    return t;
}

}  // namespace

scenario_generato scenario_casuale(const scegli& caso) {
    scenario_generato s;
    s.linea = "Casuale";
    s.treno = "R " + n(caso(1, 99));
    s.lunghezza = static_cast<int32_t>(caso(0, 3) == 0 ? caso(0, 3000) : caso(3000, 40000));
    const int64_t L = s.lunghezza;
    const int64_t estesa = L + 7000;
    const int64_t ultima = static_cast<int64_t>(std::nearbyint(static_cast<double>(estesa) / 50));
    occupate occ{{}, ultima - 4};

    std::string& l = s.testo_linea;
    riga(l, "[generale]");
    riga(l, "lunghezza percorso,    " + n(L));
    const char* nomi[3] = {"uno", "due", "tre"};
    for (const char* r : nomi)
        riga(l, std::string("progressiva chilometrica ") + r + ",  " +
                    n(50 * caso(0, 3) * caso(0, 200)) + ", " + n(50 * caso(0, 100)) + ", " +
                    n(caso(0, 1)));
    riga(l, "sfondo uno,    " + n(caso(0, L)));
    riga(l, "sfondo due,    " + n(caso(0, L)));
    riga(l, "sfondo tre,    " + n(caso(0, L)));
    riga(l, std::string("ripetizione segnali ") + (caso(0, 1) ? "4" : "9") + " codici,  " +
                n(50 * caso(0, L / 50)) + ", " + n(caso(0, 1) ? 50 * caso(0, L / 50) : 0));

    riga(l, "[curve]");
    for (int64_t t = caso(1, 400); t < estesa - 2;) {
        const int64_t lung = caso(0, 900);
        riga(l, std::string("curva") + (caso(0, 1) ? "s" : "d") + n(caso(1, 6)) + ",  " + n(t) +
                    ",  " + n(lung));
        t += lung + caso(0, 1500);
    }

    riga(l, "[pendenze]");
    riga(l, "pendenza,  0,  " + n(caso(-100, 155)));
    for (int64_t c = caso(1, 60); c <= ultima - 3; c += caso(1, 80))
        riga(l, "pendenza,  " + n(50 * c) + ",  " + n(caso(-100, 155)));

    // Tunnels take no event cell: their marks yield to every other event.
    riga(l, "[montagne]");
    int gallerie = 0;
    for (int64_t a = caso(0, 100); a + 2 < ultima - 3 && gallerie < 30; ++gallerie) {
        const int64_t b = std::min(a + caso(1, 40), ultima - 4);
        riga(l, "montagna,  " + n(50 * a) + ",  " + n(50 * (b + 1)) + ",  " +
                    n(caso(0, 10) + (caso(0, 1) ? 10 : 0)));
        a = b + 1 + caso(1, 60);
    }

    riga(l, "[cartelli]");
    for (int i = 0, quanti = static_cast<int>(caso(0, 8)); i < quanti; ++i) {
        const int64_t k = caso(2, ultima - 4);
        if (!occ.libere({k})) continue;
        occ.prendi({k});
        auto lato = [&] { return n(caso(0, 30) * 5); };
        riga(l, "indicatori_vmax,  " + n(50 * (k - 1)) + ",  " + lato() + ", " + lato() + ", " +
                    lato() + ", " + n(caso(0, 3)) + ", " + (caso(0, 1) ? lato() : "") + ", " +
                    lato() + ", " + lato() + ", " + n(caso(0, 3)));
    }
    riga(l, "[indicazioni]");
    int cartelli = 0;
    for (int i = 0, quanti = static_cast<int>(caso(0, 10)); i < quanti; ++i) {
        const int64_t k = caso(2, ultima - 4);
        if (!occ.libere({k})) continue;
        occ.prendi({k});
        ++cartelli;
        riga(l, "cartello_indicatore,  " + n(50 * (k - 1)) + ",  " + testo_casuale(caso));
    }
    riga(l, "[fine]");

    std::string& t = s.testo_treno;
    riga(t, "[generale]");
    riga(t, "numero vetture,  " + n(caso(1, 12)));
    riga(t, "percentuale massa frenata,  " + n(caso(0, 150)));
    riga(t, "sabbia,  " + n(caso(0, 32767)));
    riga(t, "orologio,  " + n(caso(0, 23)) + "  " + n(caso(0, 59)) + "  " + n(caso(0, 59)));
    riga(t, "[aderenze]");
    riga(t, "aderenza,  0,  " + n(caso(0, 255)));
    for (int64_t c = caso(1, 60); c <= ultima - 3; c += caso(1, 100))
        riga(t, "aderenza,  " + n(50 * c) + ",  " + n(caso(0, 255)));
    riga(t, "[vel_limite]");
    riga(t, "velocita,  0,  " + n(caso(0, 200)));
    for (int64_t c = caso(1, 60); c <= ultima - 3; c += caso(1, 100))
        riga(t, "velocita,  " + n(50 * c) + ",  " + n(caso(0, 1275)));

    // Stations: platforms 350 m apart at least, each mark cell kept free.
    riga(t, "[stazioni]");
    int64_t fine_prec = -1000000;
    const int massimo = 78 - cartelli;
    for (int64_t ch = 50 * caso(0, 20), k = 1; ch + 800 < 50 * ultima && k < massimo; ++k) {
        static const int tipi[] = {5, 6, 7, 8, 12, 22, 28, 30};
        const int tipo = tipi[caso(0, 7)];
        const int64_t lung = 100 * caso(1, 8);
        const int64_t est = caso(0, 1);
        int64_t inizio, fine;
        if (tipo == 5 || tipo == 6) {
            inizio = ch - lung;
            fine = ch + 150;
        } else if (tipo == 7 || tipo == 8) {
            inizio = ch - lung;
            fine = ch + lung;
        } else {
            inizio = ch - lung / 2;
            fine = ch + lung / 2 + (est ? 50 : 0);
        }
        const int64_t marca = fine / 50 - 1;
        if (inizio - 350 < fine_prec || (tipo < 25 && (marca <= 1 || !occ.libere({marca})))) {
            ch += 50 * caso(1, 40);
            --k;
            if (ch > 50 * ultima) break;
            continue;
        }
        if (tipo < 25) occ.prendi({marca});
        fine_prec = fine;
        riga(t, "stazione,  " + n(ch) + ", " + n(tipo) + ", " + n(lung) + ", " + n(caso(0, 1)) +
                    ", " + n(caso(0, 1)) + ", " + n(est) + ", " + n(caso(0, 9)) + "," +
                    n(caso(-3, 300)) + "," + n(caso(0, 255)) + ", " + n(caso(0, 9)) + "," +
                    n(caso(0, 9)) + "," + n(caso(0, 9)) + ", " + n(caso(0, 255)) + ", " +
                    n(caso(0, 23)) + "," + n(caso(0, 59)) + "," + n(caso(0, 59)) + ", " +
                    testo_casuale(caso));
        ch = fine + 350 + 50 * caso(0, 80) + lung;
    }

    riga(t, "[rallentamenti]");
    for (int i = 0, quanti = static_cast<int>(caso(0, 4)); i < quanti; ++i) {
        const int64_t sc = caso(2, ultima - 60);
        const int64_t lung = 50 * caso(0, 40);
        const int64_t ec = sc + lung / 50;
        const int64_t x = 50 * (sc - 1);
        const int64_t wc = sc - 24;
        const int64_t f_ta = caso(0, 1);
        const bool avviso = x > 1500;
        if (ec > ultima - 4 || !occ.libere({sc, ec})) continue;
        if (avviso && !occ.libere({wc})) continue;
        if (avviso && f_ta && !occ.libere({wc - 1, wc - 2, wc - 3, wc - 4})) continue;
        occ.prendi({sc, ec});
        if (avviso) occ.prendi({wc});
        if (avviso && f_ta) occ.prendi({wc - 1, wc - 2, wc - 3, wc - 4});
        const int64_t v = 5 * caso(1, 30);
        riga(t, "rallentamento,  " + n(x) + ",  " + n(v) + ",  " + n(lung) + ", " + n(caso(0, 1)) +
                    ", " + n(f_ta) + ", " + n(caso(0, 1) ? v : 0));
    }

    riga(t, "[segnali]");
    std::vector<int64_t> segnali;
    for (int i = 0, quanti = static_cast<int>(caso(0, 12)); i < quanti; ++i) {
        const int64_t k = caso(2, ultima - 4);
        if (!occ.libere({k})) continue;
        occ.prendi({k});
        segnali.push_back(k);
    }
    std::sort(segnali.begin(), segnali.end());
    for (int64_t k : segnali) {
        static const int tempi[] = {0, 0, 50, 101, 250, 255, 300};
        riga(t, "segnale,  " + n(50 * (k - 1)) + ",  " + n(caso(0, 2)) + ", " + n(caso(0, 9)) +
                    ", " + n(caso(0, 9)) + ", " + n(caso(0, 9)) + ", " + n(caso(0, 3)) + ", " +
                    n(caso(0, 2)) + ", " + n(caso(0, 9)) + "," + n(caso(0, 9)) + "," +
                    n(caso(0, 9)) + ", " + n(tempi[caso(0, 6)]));
    }

    riga(t, "[codici]");
    for (int i = 0, quanti = static_cast<int>(caso(0, 5)); i < quanti; ++i) {
        const int64_t a = caso(2, ultima - 4);
        if (!occ.libere({a})) continue;
        occ.prendi({a});
        riga(t, "abbattimento,  " + n(50 * a) + ",  " + n(caso(0, 2) ? caso(1, 400) : 0));
    }
    riga(t, "[fine]");
    return s;
}

bool scenario_valido(const scenario_generato& s) {
    sorgente linea{sorgente::stato::letto, s.linea + "_linea.txt", s.testo_linea, {}};
    sorgente treno{sorgente::stato::letto, s.linea + "_" + s.treno + "-.txt", s.testo_treno, {}};
    modello m;
    m.linea = s.linea;
    m.treno = s.treno;
    const esito_compilazione esito = compila_modello(m, 1, linea, treno);
    if (!esito.da_scrivere() || m.errore_numero != 0) return false;
    for (const diagnostica& d : m.diagnostiche)
        if (!d.avviso) return false;
    return true;
}

}  // namespace binario
