#include "scenario_generator.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compiler/compile_driver.h"
#include "compiler/scenario_loader.h"
#include "compiler/track_model.h"

namespace binario {
namespace {

constexpr int32_t lunghezza_massima = 1000000;
// The track plan stops at point 1000000: every curve ends before it.
constexpr int32_t fine_curve = 999000;
// One period of the pattern: 10 km, 200 cells.
constexpr int32_t periodo = 10000;

// Caps of the model: massimo_gallerie tunnels; the station rows meet the board rows.
constexpr int32_t massimo_cartelli = 8;
constexpr int32_t massimo_stazioni = 60;

void parte(std::string& out, std::string_view s) {
    out.append(s);
}
void parte(std::string& out, int64_t v) {
    out.append(std::to_string(v));
}

// One line of a description file: its parts in order, then CR LF.
template <typename... T>
void riga(std::string& out, const T&... parti) {
    (parte(out, parti), ...);
    out.append("\r\n");
}

int32_t passo(int32_t periodi, int32_t massimo) {
    return periodi <= massimo ? 1 : (periodi + massimo - 1) / massimo;
}

struct schema {
    int32_t lunghezza;
    int32_t periodi;
    int32_t passo_gallerie;
    int32_t passo_cartelli;
    int32_t passo_stazioni;

    explicit schema(int32_t lunghezza_linea)
        : lunghezza(lunghezza_linea),
          periodi((lunghezza_linea + periodo - 1) / periodo),
          passo_gallerie(passo(periodi, massimo_gallerie)),
          passo_cartelli(passo(periodi, massimo_cartelli)),
          passo_stazioni(passo(periodi, massimo_stazioni)) {}
    // A record whose cells all lie on the line.
    bool sulla_linea(int64_t fine) const { return fine < lunghezza; }
};

std::string testo_linea(const schema& g) {
    std::string t;
    t.reserve(static_cast<size_t>(g.lunghezza) / 10 + 4096);
    riga(t, "[generale]");
    riga(t, "lunghezza percorso,    ", g.lunghezza);
    riga(t, "progressiva chilometrica uno,    0,    0,    0");
    riga(t, "progressiva chilometrica due,    0,    0,    0");
    riga(t, "progressiva chilometrica tre,    0,    0,    0");
    riga(t, "sfondo uno,    1");
    riga(t, "sfondo due,    ", g.lunghezza / 3);
    riga(t, "sfondo tre,    ", 2 * (g.lunghezza / 3));
    riga(t, "ripetizione segnali 4 codici,    0    ,", g.lunghezza / 50 * 50);

    // Curves: one every kilometre, 300 m long, all six degrees, both hands.
    riga(t, "[curve]");
    for (int64_t k = 0; k * 1000 < g.lunghezza; ++k) {
        const int64_t inizio = k * 1000 + 200, lunghezza = 300;
        if (!g.sulla_linea(inizio + lunghezza) || inizio + lunghezza >= fine_curve) break;
        const char mano = (k % 2 == 0) ? 'd' : 's';
        riga(t, "curva", std::string_view(&mano, 1), 1 + k % 6, ",  ", inizio, ",  ", lunghezza);
    }

    // Gradients: one every 500 m, from -20 to 40 per mille.
    riga(t, "[pendenze]");
    for (int64_t k = 0; k * 500 < g.lunghezza; ++k)
        riga(t, "pendenza,  ", k * 500, ",   ", k * 7 % 61 - 20);

    // Tunnels: 600 m at 2 km into a period, flagged for tunnel marks.
    riga(t, "[montagne]");
    for (int32_t i = 0; i < g.periodi; i += g.passo_gallerie) {
        const int64_t b = int64_t{i} * periodo;
        if (g.sulla_linea(b + 2600)) riga(t, "montagna,   ", b + 2000, ",  ", b + 2600, ",  11");
    }

    // Maximum-speed boards: two in each period.
    riga(t, "[cartelli]");
    for (int32_t i = 0; i < g.periodi; ++i) {
        const int64_t b = int64_t{i} * periodo;
        for (int64_t p : {b + 550, b + 5550})
            if (g.sulla_linea(p))
                riga(t, "indicatori_vmax,  ", p, ",  75,  75,  75,  0,  ,  ,  ,  0");
    }

    // Direction boards: at most eight, at 3 km into a period.
    riga(t, "[indicazioni]");
    for (int32_t i = 0, n = 0; i < g.periodi && n < massimo_cartelli; i += g.passo_cartelli, ++n) {
        const int64_t p = int64_t{i} * periodo + 3000;
        if (g.sulla_linea(p))
            riga(t, "cartello_indicatore,  ", p, ",   (Km ", p / 1000, ")(Casello)");
    }
    riga(t, "[fine]");
    return t;
}

std::string testo_treno(const schema& g) {
    std::string t;
    t.reserve(static_cast<size_t>(g.lunghezza) / 20 + 4096);
    riga(t, "[generale]");
    riga(t, "numero vetture,    3");
    riga(t, "percentuale massa frenata,    75");
    riga(t, "sabbia,    300");
    riga(t, "orologio,    7               0            0 ");

    riga(t, "[aderenze]");
    for (int64_t k = 0; k * 1000 < g.lunghezza; ++k)
        riga(t, "aderenza,   ", k * 1000, ",    ", 95 + k % 6);

    riga(t, "[vel_limite]");
    for (int64_t k = 0; k * 5000 < g.lunghezza; ++k)
        riga(t, "velocita,   ", k * 5000, ",    ", 60 + 5 * (k % 6));

    // Stations at 6 km into a period: centred 200 m platforms, some without signals.
    riga(t, "[stazioni]");
    int64_t numero = 0;
    for (int32_t i = 0; i < g.periodi; i += g.passo_stazioni) {
        const int64_t p = int64_t{i} * periodo + 6000;
        if (!g.sulla_linea(p + 100)) break;
        const int64_t partenza = 7 * 3600 + numero * 600;
        const bool senza_segnali = numero % 5 == 4;
        riga(t, "stazione,   ", p, ", ", senza_segnali ? 28 : (numero % 3 == 2 ? 22 : 12),
             ",  200,  0, 0, 0,  ", senza_segnali ? "0,0,0,  0,0,0" : "1,1,0,  4,1,1", ",   ",
             numero == 0 ? 0 : 30, ",   ", partenza / 3600, ",", partenza / 60 % 60, ", ",
             partenza % 60, ", FERMATA ", numero + 1);
        ++numero;
    }

    // One slowdown a period: warning board at 6.3 km, start at 7.5 km, 600 m long.
    riga(t, "[rallentamenti]");
    for (int32_t i = 0; i < g.periodi; ++i) {
        const int64_t x = int64_t{i} * periodo + 7500;
        if (g.sulla_linea(x + 600)) riga(t, "rallentamento,   ", x, ",    30,  600, 1,  1,  30");
    }

    // Five signals a period; one of them within 20 cells before the warning board and
    // one within 12 cells after the slowdown's end.
    riga(t, "[segnali]");
    for (int32_t i = 0; i < g.periodi; ++i) {
        const int64_t b = int64_t{i} * periodo;
        int n = 0;
        for (int64_t p : {b + 1200, b + 3200, b + 5450, b + 7200, b + 8700}) {
            if (!g.sulla_linea(p)) break;
            if (n++ % 2 == 0)
                riga(t, "segnale,   ", p, ",   1, 5, 1,  0, 0,    0,  0,0,0, 0");
            else
                riga(t, "segnale,   ", p, ",   2, 3, 1,  0, 0,    0,  0,0,0, 250");
        }
    }
    riga(t, "[codici]");
    riga(t, "[fine]");
    return t;
}

}  // namespace

scenario_generato genera_scenario(int32_t lunghezza) {
    if (lunghezza < 0 || lunghezza > lunghezza_massima)
        throw std::invalid_argument("line length " + std::to_string(lunghezza) +
                                    " is outside 0 to 1000000 m");
    const schema g(lunghezza);
    scenario_generato s;
    s.linea = "Generata_" + std::to_string(lunghezza);
    s.treno = "G 1";
    s.lunghezza = lunghezza;
    s.testo_linea = testo_linea(g);
    s.testo_treno = testo_treno(g);
    return s;
}

std::string verifica_scenario(const scenario_generato& s) {
    sorgente linea, treno;
    linea.stato_file = treno.stato_file = sorgente::stato::letto;
    linea.nome = s.linea + "_linea.txt";
    linea.testo = s.testo_linea;
    treno.nome = s.linea + "_" + s.treno + "-.txt";
    treno.testo = s.testo_treno;

    modello m;
    m.linea = s.linea;
    m.treno = s.treno;
    const esito_compilazione esito = compila_modello(m, 1, linea, treno);
    if (esito.fermato != 0)
        return "the stamping step stopped with " + std::to_string(esito.fermato);
    if (!esito.da_scrivere()) return "the compile made no cell array";
    if (m.errore_numero != 0 || !m.diagnostiche.empty()) {
        std::string t = "errore_numero " + std::to_string(m.errore_numero);
        for (const diagnostica& d : m.diagnostiche)
            t += "; " + d.file + ":" + std::to_string(d.riga) + ": " + std::to_string(d.numero) +
                 " " + d.messaggio;
        return t;
    }
    return {};
}

}  // namespace binario
