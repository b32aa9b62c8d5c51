#include "compiler/scenario_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/text_file_writer.h"
#include "compiler/plan_progress.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "test_support.h"

namespace binario {
namespace {

using test::da_testo;

struct caricato {
    modello m;
    file_consumati consumati;
};

caricato carica(const std::string& linea, const std::string& treno, int32_t j = 1) {
    caricato c;
    c.m.linea = "L";
    c.m.treno = "T";
    c.m.compila_planimetria = j;
    c.consumati = memorizza_dati(c.m, da_testo("L_linea.txt", linea), da_testo("L_T-.txt", treno));
    return c;
}

caricato carica_incorporato(int32_t j = 1) {
    caricato c;
    c.m.linea = "Lavena_Torre Alta";
    c.m.treno = "A 1";
    c.m.compila_planimetria = j;
    c.consumati = memorizza_dati(c.m, da_testo("linea", componi_righe(righe_linea())),
                                 da_testo("treno", componi_righe(righe_treno())));
    return c;
}

TEST(ScenarioLoader, BuiltInScenarioLoadsCleanly) {
    caricato c = carica_incorporato();
    const modello& m = c.m;
    EXPECT_EQ(m.errore_numero, 0);
    EXPECT_TRUE(m.diagnostiche.empty());
    EXPECT_EQ(m.lunghezza_estesa, 41100);
    EXPECT_EQ(m.ultima_cella, 822);
    ASSERT_EQ(m.celle.size(), 823u);
    EXPECT_TRUE(c.consumati.linea);
    EXPECT_TRUE(c.consumati.treno);

    // Board rows 80 down to 73, in file order; row 72 is free.
    EXPECT_EQ(m.tabella[80].testo, "(P.L.      )(COLONNELLA)");
    EXPECT_EQ(m.tabella[73].testo, "(Viadotto     )(Fonte Vecchia)");
    EXPECT_EQ(m.tabella[72].testo, "");
    // The board at 3400 sits in cell 69 and points at row 80.
    EXPECT_EQ(m.celle[69].evento, 14);
    EXPECT_EQ(m.celle[69].dato1, 80);

    // Nine station rows, then nothing.
    EXPECT_EQ(m.tabella[1].testo, "LAVENA F.S.");
    EXPECT_EQ(m.tabella[9].testo, "TORRE ALTA");
    EXPECT_EQ(m.tabella[10].testo, "");

    // General rows.
    EXPECT_EQ(m.tabella[84].valore1, 75);
    EXPECT_EQ(m.tabella[84].valore2, 34100);
    EXPECT_EQ(m.tabella[84].valore3, 3);
    EXPECT_EQ(m.tabella[85].testo, "Lavena_Torre Alta");
    EXPECT_EQ(m.tabella[85].valore1, 1);      // scenery one
    EXPECT_EQ(m.tabella[85].valore2, 15300);  // scenery three
    EXPECT_EQ(m.tabella[85].valore3, 10000);  // scenery two
    EXPECT_EQ(m.tabella[86].testo, "A 1");
    EXPECT_EQ(m.tabella[86].valore3, 0);  // second repetition value 0: no codes
    EXPECT_EQ(m.tabella[86].intero1, 300);
    EXPECT_EQ(m.tabella[86].intero3, 7);
    EXPECT_EQ(m.tabella[86].intero4, 14);
    EXPECT_EQ(m.tabella[86].intero5, 30);
}

TEST(ScenarioLoader, BuiltInStationRows) {
    caricato c = carica_incorporato();
    const modello& m = c.m;
    // Origin: chainage 0, type 7, length 200: platform -200..200, flags forced to 0.
    const voce& origine = m.tabella[1];
    EXPECT_EQ(origine.valore3, 0);
    EXPECT_EQ(origine.genere, 7);
    EXPECT_EQ(origine.valore1, -200);
    EXPECT_EQ(origine.valore2, 200);
    EXPECT_EQ(origine.stato, 1);
    EXPECT_EQ(origine.ottetto3, 0);
    EXPECT_EQ(origine.ottetto4, 0);
    EXPECT_EQ(origine.intero1, 3);
    EXPECT_EQ(origine.intero2, 1);
    EXPECT_EQ(origine.ottetto1, 0);
    EXPECT_EQ(origine.intero3, 2);
    EXPECT_EQ(origine.ottetto2, 1);
    EXPECT_EQ(origine.codice, 7 * 3600 + 15 * 60);
    // Station mark on cell 3 and approach mark 81 on cell 2 only.
    EXPECT_EQ(m.celle[3].evento, 10);
    EXPECT_EQ(m.celle[3].dato1, 1);
    EXPECT_EQ(m.celle[2].marca, 81);
    EXPECT_EQ(m.celle[1].marca, 0);

    // DOMAGNANO MONTELUPO: centred, extension flag 1 moves the end 50 m further.
    const voce& domagnano = m.tabella[6];
    EXPECT_EQ(domagnano.valore1, 22400);
    EXPECT_EQ(domagnano.valore2, 22650);
    EXPECT_EQ(domagnano.ottetto3, 1);
    EXPECT_EQ(domagnano.codice, 7 * 3600 + 53 * 60 + 30);
    EXPECT_EQ(m.celle[22650 / 50 - 1].evento, 10);
    EXPECT_EQ(m.celle[22650 / 50 - 1].dato1, 6);
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(m.celle[22650 / 50 - j - 1].marca, 80 + j) << j;

    // The terminus, type 6: platform ends 150 m past the chainage; no approach marks.
    const voce& capolinea = m.tabella[9];
    EXPECT_EQ(capolinea.valore1, 31900);
    EXPECT_EQ(capolinea.valore2, 32250);
    EXPECT_EQ(m.celle[32250 / 50 - 1].evento, 10);
    EXPECT_EQ(m.celle[32250 / 50 - 2].marca, 0);

    // The stops without signals (type 28) write no cell.
    EXPECT_EQ(m.tabella[3].genere, 28);
    EXPECT_EQ(m.celle[10400 / 50 - 1].evento, 0);
}

TEST(ScenarioLoader, BuiltInProfiles) {
    caricato c = carica_incorporato();
    const modello& m = c.m;
    // Gradient: 0 from chainage 0, -2 from 450 (cell 9), 0 from 700 (cell 14).
    EXPECT_EQ(m.celle[0].pendenza, 100);
    EXPECT_EQ(m.celle[8].pendenza, 100);
    EXPECT_EQ(m.celle[9].pendenza, 98);
    EXPECT_EQ(m.celle[13].pendenza, 98);
    EXPECT_EQ(m.celle[14].pendenza, 100);
    EXPECT_EQ(m.celle[243].pendenza, 112);
    // The last gradient record fills to cell ultima_cella - 3; the last cells stay 0.
    EXPECT_EQ(m.celle[819].pendenza, 100);
    EXPECT_EQ(m.celle[820].pendenza, 0);
    // Speed: 30 km/h up to cell 9, 75 km/h (15) on cells 10 to 253.
    EXPECT_EQ(m.celle[9].velocita, 6);
    for (int i = 10; i <= 253; ++i) ASSERT_EQ(m.celle[i].velocita, 15) << i;
    EXPECT_EQ(m.celle[254].velocita, 14);
    EXPECT_EQ(m.celle[819].velocita, 12);
    EXPECT_EQ(m.celle[820].velocita, 0);
    // Adhesion.
    EXPECT_EQ(m.celle[25].aderenza, 100);
    EXPECT_EQ(m.celle[26].aderenza, 98);
    EXPECT_EQ(m.celle[243].aderenza, 98);
    EXPECT_EQ(m.celle[819].aderenza, 100);
}

TEST(ScenarioLoader, BuiltInTrackPlanPoints) {
    caricato c = carica_incorporato();
    const planimetria_metrica& p = c.m.planimetria;
    ASSERT_TRUE(p.esiste());
    EXPECT_EQ(p.tipo(0, 0), tipo_valore::intero);
    EXPECT_EQ(p.tipo(1, 1), tipo_valore::intero);
    EXPECT_EQ(p.valore(1, 1), 1.0);
    EXPECT_EQ(p.tipo(2, 0), tipo_valore::reale);
    EXPECT_EQ(p.tipo(41098, 1), tipo_valore::reale);
    EXPECT_EQ(p.tipo(41099, 0), tipo_valore::vuoto);
    EXPECT_EQ(p.tipo(41100, 1), tipo_valore::vuoto);

    // Worked by hand from the step rule point(t) = point(t-1) + (dx + c*dy, dy - c*dx),
    // with (dx, dy) = point(t-1) - point(t-2). Up to metre 650 the line runs straight
    // along +y with unit steps, so point 650 is exactly (0, 650) and point 649 (0, 649).
    EXPECT_EQ(p.valore(650, 0), 0.0);
    EXPECT_EQ(p.valore(650, 1), 650.0);
    // The first curve, "curvad6, 650, 50", turns right with c = 0.003 from point 651.
    const double c6 = 0.003;
    // Point 651: dx = 0, dy = 1.
    const double x651 = 0.0 + (0.0 + c6 * 1.0);
    const double y651 = 650.0 + (1.0 - c6 * 0.0);
    // Point 652: dx = x651 - 0, dy = y651 - 650.
    const double dx652 = x651 - 0.0, dy652 = y651 - 650.0;
    const double x652 = x651 + (dx652 + c6 * dy652);
    const double y652 = y651 + (dy652 - c6 * dx652);
    EXPECT_EQ(p.valore(651, 0), x651);  // 0.003
    EXPECT_EQ(p.valore(651, 1), y651);  // 651
    EXPECT_EQ(p.valore(652, 0), x652);  // 0.009
    EXPECT_EQ(p.valore(652, 1), y652);  // 651.999991
    EXPECT_DOUBLE_EQ(x652, 0.009);
    // Through the curve x grows: the line turns to the right.
    EXPECT_GT(p.valore(700, 0), p.valore(651, 0));
}

// The plan computed point by point from the step rule, in the plainest form, for
// curves given in order as (start, length, curvature).
struct curva_prova {
    int32_t inizio;
    int32_t lunghezza;
    const char* parola;
    double c;
};

std::vector<std::pair<double, double>> piano_di_riferimento(int32_t ultimo,
                                                            const std::vector<curva_prova>& curve) {
    std::vector<std::pair<double, double>> p(static_cast<size_t>(ultimo) + 1);
    p[1] = {0.0, 1.0};
    int32_t t = 2;
    auto passo = [&](double c) {
        const double dx = p[t - 1].first - p[t - 2].first;
        const double dy = p[t - 1].second - p[t - 2].second;
        if (c == 0.0)
            p[t] = {p[t - 1].first + dx, p[t - 1].second + dy};
        else
            p[t] = {p[t - 1].first + (dx + c * dy), p[t - 1].second + (dy - c * dx)};
        ++t;
    };
    for (const curva_prova& k : curve) {
        while (t <= k.inizio) passo(0.0);
        while (t <= k.inizio + k.lunghezza) passo(k.c);
    }
    while (t <= ultimo - 2) passo(0.0);
    return p;
}

// Records every announcement of final points, and the value each announced point
// had at that moment.
struct osservatore_prova : osservatore_piano {
    std::vector<int32_t> annunci;
    std::vector<double> ultimi_x;
    void punti_pronti(const planimetria_metrica& piano, int32_t fino) override {
        annunci.push_back(fino);
        ultimi_x.push_back(piano.valore(fino - 1, 0));
    }
};

// Long curves cross the points where the loader hands over to its observer; one
// curve starts inside the one before it; every degree and both hands appear.
const std::vector<curva_prova> curve_lunghe = {
    {100, 300, "curvad6", 0.003},     {1000, 80000, "curvas1", -0.0001},
    {81500, 20, "curvad3", 0.0004},   {81510, 50, "curvas4", -0.001},
    {130000, 1, "curvad2", 0.0002},   {150000, 2000, "curvas5", -0.002},
    {199990, 5000, "curvad1", 0.0001}};

std::string linea_con_curve(const std::vector<curva_prova>& curve) {
    std::string linea = "[generale]\r\nlunghezza percorso, 200000\r\n[profili]\r\n";
    for (const curva_prova& k : curve)
        linea += std::string(k.parola) + ", " + std::to_string(k.inizio) + ", " +
                 std::to_string(k.lunghezza) + "\r\n";
    return linea + "[fine]\r\n";
}

TEST(ScenarioLoader, PlanPointsFollowTheStepRuleExactly) {
    const std::vector<curva_prova>& curve = curve_lunghe;
    const std::string linea = linea_con_curve(curve);

    caricato c;
    c.m.linea = "L";
    c.m.treno = "T";
    c.m.compila_planimetria = 1;
    osservatore_prova o;
    memorizza_dati(c.m, da_testo("L_linea.txt", linea), da_testo("L_T-.txt", "[generale]\r\n"), &o);
    const planimetria_metrica& p = c.m.planimetria;
    ASSERT_EQ(p.ultimo_metro, 207000);

    const auto atteso = piano_di_riferimento(p.ultimo_metro, curve);
    int32_t diversi = 0;
    for (int32_t t = 0; t <= p.ultimo_metro - 2; ++t)
        if (p.valore(t, 0) != atteso[t].first || p.valore(t, 1) != atteso[t].second) ++diversi;
    EXPECT_EQ(diversi, 0);
    for (int32_t t = 2; t <= p.ultimo_metro - 2; ++t) {
        ASSERT_EQ(p.tipo(t, 0), tipo_valore::reale) << t;
        ASSERT_EQ(p.tipo(t, 1), tipo_valore::reale) << t;
    }
    EXPECT_EQ(p.tipo(p.ultimo_metro - 1, 0), tipo_valore::vuoto);
    EXPECT_EQ(p.tipo(p.ultimo_metro, 1), tipo_valore::vuoto);

    // The observer hears of growing final ranges, several times during the load,
    // never past the computed points, and no announced point changes afterwards.
    ASSERT_GE(o.annunci.size(), 2u);
    for (size_t i = 1; i < o.annunci.size(); ++i) EXPECT_GT(o.annunci[i], o.annunci[i - 1]);
    EXPECT_LE(o.annunci.back(), p.ultimo_metro - 1);
    for (size_t i = 0; i < o.annunci.size(); ++i)
        EXPECT_EQ(o.ultimi_x[i], p.valore(o.annunci[i] - 1, 0)) << o.annunci[i];
}

// An observer that takes the reals: keeps each range's bytes as the loader stored them.
struct osservatore_che_prende : osservatore_piano {
    struct intervallo {
        int32_t da, a;
        std::string byte;
        bool annunciato = false;
    };
    std::vector<intervallo> intervalli;
    bool prende_i_reali(int32_t) override { return true; }
    char* spazio_reali(int32_t da, int32_t a) override {
        intervalli.push_back({da, a, std::string(2 * 10 * static_cast<size_t>(a - da), '?')});
        return intervalli.back().byte.data();
    }
    void punti_pronti(const planimetria_metrica&, int32_t fino) override {
        for (intervallo& i : intervalli)
            if (i.a <= fino) i.annunciato = true;
    }
};

std::string reale_nel_file(double v) {
    std::string b = "\x05";
    b.push_back('\0');
    uint64_t bit;
    std::memcpy(&bit, &v, sizeof bit);
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<char>(bit >> (8 * i)));
    return b;
}

// Taken by its observer, the plan is kept compact: the observer gets every real
// from metre 2 to the last but two, in consecutive ranges announced once stored,
// with the bytes of the plan file; and the compact plan still gives every point.
TEST(ScenarioLoader, ACompactPlanHandsOverAndGivesBackEveryPoint) {
    const std::string linea = linea_con_curve(curve_lunghe);
    caricato c;
    c.m.compila_planimetria = 1;
    osservatore_che_prende o;
    memorizza_dati(c.m, da_testo("L_linea.txt", linea), da_testo("L_T-.txt", "[generale]\r\n"), &o);
    const planimetria_metrica& p = c.m.planimetria;
    ASSERT_TRUE(p.compatta);
    EXPECT_TRUE(p.valori.empty());
    ASSERT_EQ(p.ultimo_metro, 207000);
    const auto atteso = piano_di_riferimento(p.ultimo_metro, curve_lunghe);

    int32_t prossimo = 2;
    int32_t diversi = 0;
    for (const auto& i : o.intervalli) {
        ASSERT_EQ(i.da, prossimo);
        EXPECT_TRUE(i.annunciato) << i.da;
        const size_t colonna = 10 * static_cast<size_t>(i.a - i.da);
        for (int32_t t = i.da; t < i.a; ++t) {
            const size_t k = 10 * static_cast<size_t>(t - i.da);
            if (i.byte.compare(k, 10, reale_nel_file(atteso[t].first)) != 0 ||
                i.byte.compare(colonna + k, 10, reale_nel_file(atteso[t].second)) != 0)
                ++diversi;
        }
        prossimo = i.a;
    }
    EXPECT_EQ(prossimo, p.ultimo_metro - 1);
    EXPECT_EQ(diversi, 0);

    const planimetria_metrica d = p.materializzata();
    ASSERT_FALSE(d.compatta);
    for (int32_t t = 0; t <= p.ultimo_metro - 2; ++t)
        if (d.valore(t, 0) != atteso[t].first || d.valore(t, 1) != atteso[t].second) ++diversi;
    EXPECT_EQ(diversi, 0);
    // Point by point, at both ends of every run and of the plan.
    std::vector<int32_t> metri = {0, 1, 206999, 207000};
    for (const tratto_piano& r : p.tratti) metri.insert(metri.end(), {r.da, r.a - 1});
    EXPECT_GT(metri.size(), 20u);
    for (int32_t t : metri) {
        for (int col = 0; col < 2; ++col) {
            EXPECT_EQ(p.tipo(t, col), d.tipo(t, col)) << t;
            EXPECT_EQ(p.valore(t, col), d.valore(t, col)) << t;
        }
    }
    EXPECT_EQ(d.tipo(1, 1), tipo_valore::intero);
    EXPECT_EQ(d.tipo(206998, 0), tipo_valore::reale);
    EXPECT_EQ(d.tipo(206999, 1), tipo_valore::vuoto);
}

TEST(ScenarioLoader, WithoutPlanCurvesAreIgnoredItems) {
    caricato c = carica_incorporato(0);
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_FALSE(c.m.planimetria.esiste());
    EXPECT_EQ(c.m.celle[243].pendenza, 112);
}

// ---- Faults ----------------------------------------------------------------

const std::string testa_linea = "[generale]\r\nlunghezza percorso, 10000\r\n[profili]\r\n";
const std::string testa_treno = "[generale]\r\n";
const std::string coda = "[fine]\r\n";

struct caso_errore {
    const char* nome;
    std::string linea;
    std::string treno;
    int32_t numero;
    std::optional<int32_t> progressiva;
    bool linea_consumata;
    bool treno_consumato;
    int32_t riga;  // line of the record in its file
};

// Test names print the case name, not the bytes of the case.
void PrintTo(const caso_errore& c, std::ostream* os) {
    *os << c.nome;
}

class ScenarioLoaderFault : public testing::TestWithParam<caso_errore> {};

TEST_P(ScenarioLoaderFault, GivesTheNumberChainageAndFiles) {
    const caso_errore& e = GetParam();
    caricato c = carica(e.linea, e.treno);
    EXPECT_EQ(c.m.errore_numero, e.numero);
    if (e.progressiva) {
        EXPECT_EQ(c.m.errore_progressiva, *e.progressiva);
    }
    EXPECT_EQ(c.consumati.linea, e.linea_consumata);
    EXPECT_EQ(c.consumati.treno, e.treno_consumato);
    // The fault that set the error state: the last one before any found after the stop.
    const diagnostica* d = nullptr;
    for (const diagnostica& x : c.m.diagnostiche)
        if (!x.avviso && !x.dopo_arresto) d = &x;
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->numero, e.numero);
    EXPECT_EQ(d->riga, e.riga) << d->messaggio;
}

std::string linea_con(const std::string& record) {
    return testa_linea + record + coda;
}
std::string treno_con(const std::string& record) {
    return testa_treno + record + coda;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScenarioLoaderFault,
    testing::Values(
        caso_errore{"NoGeneralSection", "[curve]\r\ncurvad1, 0, 50\r\n" + coda, "", 102,
                    std::nullopt, true, false, 3},
        caso_errore{"LengthAboveLimit", "[generale]\r\nlunghezza percorso, 1000001\r\n" + coda, "",
                    1, std::nullopt, true, false, 2},
        caso_errore{
            "RepetitionFirstValue",
            "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 4, 75, 0\r\n" + coda, "",
            3, std::nullopt, true, false, 3},
        caso_errore{
            "RepetitionSecondValue",
            "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 4, 50, 7\r\n" + coda, "",
            4, std::nullopt, true, false, 3},
        caso_errore{
            "RepetitionWithoutCodes",
            "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali, 50, 100\r\n" + coda, "",
            5, std::nullopt, true, false, 3},
        caso_errore{"CurveWithoutDegree", linea_con("curvad, 100, 50\r\n"), treno_con(""), 103,
                    std::nullopt, true, false, 4},
        caso_errore{"LineRecordPastTheCells", linea_con("pendenza, 16950, 3\r\n"), treno_con(""),
                    15, 16950, true, true, 4},
        caso_errore{
            "BoardOnATakenCell",
            linea_con("cartello_indicatore, 1000, (A)\r\ncartello_indicatore, 1010, (B)\r\n"),
            treno_con(""), 6, 1010, true, false, 5},
        caso_errore{"NumberNotANumber", linea_con("pendenza, 100, 3permille\r\n"), treno_con(""),
                    25, std::nullopt, true, true, 4},
        caso_errore{"RecordCutShort", testa_linea + "montagna, 100, 200", treno_con(""), 25,
                    std::nullopt, true, true, 4},
        caso_errore{"NoLineLength", "[generale]\r\nsfondo uno, 1\r\n[profili]\r\n" + coda,
                    treno_con(""), 25, std::nullopt, true, true, 3},
        caso_errore{"CodeMarkOnATakenCell", linea_con("cartello_indicatore, 1000, (A)\r\n"),
                    treno_con("abbattimento, 1050, 180\r\n"), 7, 1050, true, true, 2},
        caso_errore{"StationChainage", linea_con(""),
                    treno_con("stazione, 1025, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n"), 8,
                    1025, true, true, 2},
        caso_errore{"PlatformLength", linea_con(""),
                    treno_con("stazione, 1000, 12, 250, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n"), 9,
                    1000, true, true, 2},
        caso_errore{"StationTooCloseToTheStart", linea_con(""),
                    treno_con("stazione, 0, 12, 100, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n"), 24,
                    std::nullopt, true, true, 2},
        caso_errore{"StationsTooClose", linea_con(""),
                    treno_con("stazione, 1000, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, A\r\n"
                              "stazione, 1500, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,5,0, B\r\n"),
                    22, 1500, true, true, 3},
        caso_errore{"TrainRecordPastTheCells", linea_con(""),
                    treno_con("segnale, 16950, 1,5,1,0,0,0,0,0,0,0\r\n"), 15, 16950, true, true, 2},
        caso_errore{"SignalOnATakenCell", linea_con(""),
                    treno_con("segnale, 5000, 1,5,1,0,0,0,0,0,0,0\r\n"
                              "segnale, 5010, 1,5,1,0,0,0,0,0,0,0\r\n"),
                    16, 5010, true, true, 3},
        caso_errore{"ClockDoesNotFit16Bits", linea_con(""), treno_con("orologio, 7 14 32768\r\n"),
                    25, std::nullopt, true, true, 2},
        caso_errore{"SpeedLimitDoesNotFitACell", linea_con(""),
                    treno_con("velocita, 0, 1280\r\nvelocita, 500, 75\r\n"), 25, std::nullopt, true,
                    true, 3},
        caso_errore{"ReferenceNotMultipleOf50",
                    "[generale]\r\nlunghezza percorso, 1000\r\n"
                    "progressiva chilometrica uno, 120, 50, 0\r\n[profili]\r\n" +
                        coda,
                    treno_con(""), 2, std::nullopt, true, true, 0}),
    [](const testing::TestParamInfo<caso_errore>& i) { return std::string(i.param.nome); });

// The train file missing altogether is a fault of its own (25) and deletes nothing more.
TEST(ScenarioLoader, MissingFiles) {
    modello m;
    sorgente assente;
    assente.nome = "x";
    file_consumati f = memorizza_dati(m, assente, assente);
    EXPECT_EQ(m.errore_numero, 101);
    EXPECT_FALSE(f.linea);
    EXPECT_FALSE(f.treno);
    EXPECT_TRUE(m.celle.empty());

    modello m2;
    file_consumati f2 = memorizza_dati(m2, da_testo("l", linea_con("")), assente);
    EXPECT_EQ(m2.errore_numero, 25);
    EXPECT_TRUE(f2.linea);
    EXPECT_TRUE(f2.treno);
}

TEST(ScenarioLoader, ModelKeepsWhatWasReadBeforeAFault) {
    // A station refused for its chainage keeps the chainage in its row.
    caricato c = carica(
        linea_con(""), treno_con("stazione, 1025, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n"));
    EXPECT_EQ(c.m.tabella[1].valore3, 1025);
    // A later train fault replaces a line-file 15; both stay in the diagnostics.
    caricato d =
        carica(linea_con("pendenza, 16950, 3\r\n"),
               treno_con("stazione, 1025, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n"));
    EXPECT_EQ(d.m.errore_numero, 8);
    std::vector<const diagnostica*> errori;
    for (const diagnostica& x : d.m.diagnostiche)
        if (!x.avviso) errori.push_back(&x);
    ASSERT_EQ(errori.size(), 2u);
    EXPECT_EQ(errori[0]->numero, 15);
    EXPECT_EQ(errori[0]->file, "L_linea.txt");
    EXPECT_EQ(errori[1]->file, "L_T-.txt");
}

// ---- Readings of the format --------------------------------------------------

TEST(ScenarioLoader, GeneralSectionReadings) {
    // Lines before "[generale]" are skipped; the length keyword is case-insensitive;
    // "UNO" in capitals is not reference one; both substrings are case-sensitive.
    caricato c = carica(
        "commento\r\n[generale]\r\nLUNGHEZZA PERCORSO, 25\r\n"
        "progressiva chilometrica UNO, 100, 100, 0\r\n"
        "PROGRESSIVA chilometrica tre, 200, 200, 0\r\n"
        "ripetizione segnali 9 codici, 100, 0\r\n[profili]\r\n" +
            coda,
        treno_con(""));
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_EQ(c.m.lunghezza_estesa, 7025);
    EXPECT_EQ(c.m.ultima_cella, 140);  // round(140.5) goes to even
    for (int r = 81; r <= 83; ++r) EXPECT_EQ(c.m.tabella[r].valore1, 0) << r;
    EXPECT_EQ(c.m.tabella[86].valore1, 100);
    EXPECT_EQ(c.m.tabella[86].valore3, 0);
    EXPECT_EQ(carica("[generale]\r\nlunghezza percorso, 75\r\n[p]\r\n" + coda, treno_con(""))
                  .m.ultima_cella,
              142);
}

TEST(ScenarioLoader, ProfileReadings) {
    // Gradient at 75 and at 125 both start at cell 2; a curve with a capital S and a 2
    // is a left curve of 0.0002 rad/m; three dash lines: the third is tested (and ignored).
    caricato c = carica(linea_con("pendenza, 0, 1\r\npendenza, 75, 2\r\n---\r\n---\r\n---\r\n"
                                  "pendenza, 125, 3\r\nCURVAS2, 10, 10\r\n"),
                        treno_con(""));
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_EQ(c.m.celle[0].pendenza, 101);
    EXPECT_EQ(c.m.celle[1].pendenza, 101);
    EXPECT_EQ(c.m.celle[2].pendenza, 102);  // the second record at cell 2 still writes one
    EXPECT_EQ(c.m.celle[3].pendenza, 103);
    // Left curve: x decreases.
    EXPECT_LT(c.m.planimetria.valore(20, 0), 0.0);
    EXPECT_DOUBLE_EQ(c.m.planimetria.valore(11, 0), -0.0002);
}

TEST(ScenarioLoader, RecordWithoutFinalLineIsStillRead) {
    caricato c = carica(testa_linea + "pendenza, 0, 5\r\npendenza, 500, 7", treno_con(""));
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_EQ(c.m.celle[10].pendenza, 107);
}

TEST(ScenarioLoader, TrainWithoutGeneralLoadsNothingButFillsProfiles) {
    caricato c = carica(linea_con(""), "velocita, 0, 50\r\n" + coda);
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_TRUE(c.consumati.treno);
    EXPECT_EQ(c.m.celle[5].velocita, 0);
    EXPECT_EQ(c.m.tabella[86].intero1, 0);
}

TEST(ScenarioLoader, ClockWithBlanksOnly) {
    caricato c =
        carica(linea_con(""), treno_con("orologio,    7               14            30 \r\n"
                                        "velocita, 0, 72\r\nvelocita, 100, 72\r\n"));
    EXPECT_EQ(c.m.tabella[86].intero3, 7);
    EXPECT_EQ(c.m.tabella[86].intero4, 14);
    EXPECT_EQ(c.m.tabella[86].intero5, 30);
    EXPECT_EQ(c.m.celle[2].velocita, 14);  // 72 / 5 = 14.4
}

// ---- Bounds ------------------------------------------------------------------

TEST(ScenarioLoader, CurvePastThePlanEndStopsAtTheLastPoint) {
    caricato c = carica(linea_con("curvad1, 16000, 5000\r\n"), treno_con(""));
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_EQ(c.m.planimetria.tipo(17000, 0), tipo_valore::reale);
}

TEST(ScenarioLoader, CurvePastPointOneMillionIs103) {
    caricato c = carica(linea_con("curvad1, 100, 2000000\r\n"), treno_con(""));
    EXPECT_EQ(c.m.errore_numero, 103);
}

TEST(ScenarioLoader, NegativePositionsWriteNothingOutside) {
    caricato c = carica(linea_con("pendenza, -500, 3\r\ncartello_indicatore, -1000, (A)\r\n"),
                        treno_con("abbattimento, -500, 1\r\n"));
    EXPECT_EQ(c.m.errore_numero, 25);
    caricato d = carica(linea_con(""), treno_con("velocita, -500, 30\r\naderenza, -500, 90\r\n"));
    EXPECT_EQ(d.m.errore_numero, 0);
    EXPECT_EQ(d.m.celle[0].velocita, 6);
}

TEST(ScenarioLoader, RepeatedProfileRecordsStayInsideTheCells) {
    std::string molti;
    for (int i = 0; i < 400; ++i) molti += "pendenza, 50, 1\r\n";
    std::string treno;
    for (int i = 0; i < 400; ++i) treno += "aderenza, 50, 90\r\nvelocita, 50, 30\r\n";
    caricato c = carica(linea_con(molti), treno_con(treno));
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_EQ(c.m.celle.size(), 341u);
}

TEST(ScenarioLoader, StationPastTheCellsKeepsItsRowAndSkipsItsMarks) {
    // Type 7 with a long platform: the end lies past the last cell (340).
    caricato c =
        carica(linea_con(""),
               treno_con("stazione, 16000, 7, 5000, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n"));
    EXPECT_EQ(c.m.errore_numero, 0);
    EXPECT_EQ(c.m.tabella[1].testo, "X");
    ASSERT_FALSE(c.m.diagnostiche.empty());
    EXPECT_TRUE(c.m.diagnostiche.back().avviso);
}

TEST(ScenarioLoader, TooManyBoardsIsRefused) {
    std::string cartelli;
    for (int i = 0; i < 80; ++i)
        cartelli += "cartello_indicatore, " + std::to_string(100 + i * 100) + ", (B)\r\n";
    caricato c = carica(linea_con(cartelli), treno_con(""));
    EXPECT_EQ(c.m.errore_numero, 25);
    EXPECT_EQ(c.m.tabella[2].testo, "(B)");
    EXPECT_EQ(c.m.tabella[1].testo, "");
}

}  // namespace
}  // namespace binario

namespace binario {
namespace {

TEST(ScenarioLoader, TextLongerThanATableRowHoldsIs25) {
    const std::string nome(70000, 'N');
    caricato c = carica(linea_con(""), treno_con("stazione, 1000, 28, 200, 0,0,0, 0,0,0, 0,0,0, "
                                                 "30, 7,0,0, " +
                                                 nome + "\r\n"));
    EXPECT_EQ(c.m.errore_numero, 25);
    EXPECT_EQ(c.m.tabella[1].testo, "");
}

}  // namespace
}  // namespace binario
