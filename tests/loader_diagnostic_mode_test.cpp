// The load after its stopping error: messages in the author's terms, the reading
// that goes on to find further faults, and the limits on what is kept.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/scenario_loader.h"
#include "compiler/track_model.h"
#include "test_support.h"

namespace binario {
namespace {

using test::da_testo;

const std::string testa_linea = "[generale]\r\nlunghezza percorso, 10000\r\n[profili]\r\n";
const std::string treno_vuoto = "[generale]\r\n[fine]\r\n";

modello carica(const std::string& linea, const std::string& treno, size_t massimo = 100) {
    modello m;
    m.compila_planimetria = 1;
    m.regole.massimo = massimo;
    memorizza_dati(m, da_testo("l.txt", linea), da_testo("t.txt", treno));
    return m;
}

std::vector<const diagnostica*> errori(const modello& m) {
    std::vector<const diagnostica*> e;
    for (const diagnostica& d : m.diagnostiche)
        if (!d.avviso) e.push_back(&d);
    return e;
}

struct caso_messaggio {
    const char* nome;
    std::string linea_extra;  // records after the line file's head
    std::string treno;
    int32_t numero;
    std::string file;
    int32_t riga;
    std::string messaggio;
};

void PrintTo(const caso_messaggio& c, std::ostream* os) {
    *os << c.nome;
}

class FaultMessage : public testing::TestWithParam<caso_messaggio> {};

TEST_P(FaultMessage, NamesTheRecordInTheAuthorsTerms) {
    const caso_messaggio& c = GetParam();
    modello m = carica(testa_linea + c.linea_extra + "[fine]\r\n", c.treno);
    EXPECT_EQ(m.errore_numero, c.numero);
    auto e = errori(m);
    ASSERT_FALSE(e.empty());
    EXPECT_EQ(e[0]->numero, c.numero);
    EXPECT_EQ(e[0]->file, c.file);
    EXPECT_EQ(e[0]->riga, c.riga);
    EXPECT_EQ(e[0]->messaggio, c.messaggio);
    EXPECT_FALSE(e[0]->dopo_arresto);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FaultMessage,
    testing::Values(
        caso_messaggio{"GradientWithOneValue", "pendenza, 0, 1\r\npendenza, 1500\r\n", treno_vuoto,
                       25, "l.txt", 5, "gradient record on line 5 has 1 value; it needs 2"},
        caso_messaggio{"SignalCutShortBeforeTheNextRecord", "",
                       "[generale]\r\nsegnale, 3000, 1, 1\r\nsabbia, 3\r\n[fine]\r\n", 25, "t.txt",
                       2, "signal record on line 2 has 3 values; it needs 11"},
        caso_messaggio{"SignalOnASlowdownApproachStep", "",
                       "[generale]\r\nrallentamento, 4050, 30, 100, 1, 1, 0\r\n"
                       "segnale, 2700, 1,1,1,0,0,0,0,0,0,0\r\n[fine]\r\n",
                       16, "t.txt", 3,
                       "signal at chainage 2700: cell 55 is already taken by an approach step of "
                       "the slowdown at 4050 m (line 2)"},
        caso_messaggio{"BoardOnABoard",
                       "cartello_indicatore, 1000, (A)\r\ncartello_indicatore, 1010, (B)\r\n",
                       treno_vuoto, 6, "l.txt", 5,
                       "direction board at chainage 1010: cell 21 is already taken by the "
                       "direction board at 1000 m (line 4)"},
        caso_messaggio{"CodeMarkOnASignal", "",
                       "[generale]\r\nsegnale, 1000, 1,1,1,0,0,0,0,0,0,0\r\n"
                       "abbattimento, 1050, 3\r\n[fine]\r\n",
                       7, "t.txt", 3,
                       "code mark at chainage 1050: cell 21 is already taken by the signal at "
                       "1000 m (line 2)"},
        caso_messaggio{
            "SpeedBoardOnATunnelLineSignal", "indicatori_vmax, 1000, 60,60,60,0,0,0,0,0\r\n",
            "[generale]\r\nsegnale, 1000, 1,1,1,0,0,0,0,0,0,0\r\n[fine]\r\n", 16, "t.txt", 2,
            "signal at chainage 1000: cell 21 is already taken by the speed boards at "
            "1000 m (l.txt, line 4)"}),
    [](const testing::TestParamInfo<caso_messaggio>& i) { return std::string(i.param.nome); });

// The cells, table and tunnels the compile writes out.
std::string stato_compilato(const modello& m) {
    std::string b;
    for (const cella& c : m.celle) {
        b.append(reinterpret_cast<const char*>(&c.evento), 1);
        for (int16_t v : {c.dato1, c.dato2, c.dato3, c.dato4})
            b.append(reinterpret_cast<const char*>(&v), 2);
        for (uint8_t v : {c.tempo, c.marca, c.galleria, c.velocita, c.pendenza, c.aderenza})
            b.push_back(static_cast<char>(v));
    }
    for (const voce& v : m.tabella)
        b += std::to_string(v.genere) + "," + std::to_string(v.valore1) + "," +
             std::to_string(v.valore2) + "," + std::to_string(v.valore3) + "," + v.testo + ";";
    b += std::to_string(m.numero_gallerie) + "/" + std::to_string(m.errore_numero) + "/" +
         std::to_string(m.errore_progressiva) + "/" + std::to_string(m.ultima_cella);
    b += "/" + std::to_string(m.planimetria.esiste() ? m.planimetria.ultimo_metro : -1);
    return b;
}

TEST(DiagnosticMode, FindsTheFaultsOfBothFilesAndChangesNothingOfTheCompile) {
    // The line file stops at its board conflict (line 5); the records after it and
    // the whole train file are read on for further faults.
    const std::string fino_all_arresto = testa_linea +
                                         "pendenza, 0, 3\r\ncartello_indicatore, 1000, (A)\r\n"
                                         "cartello_indicatore, 1010, (B)\r\n";
    const std::string linea = fino_all_arresto +
                              "montagna, 2000, 2500, 1\r\npendenza, 700\r\n"
                              "cartello_indicatore, 3000, (C)\r\ncartello_indicatore, 3020, (D)\r\n"
                              "[fine]\r\n";
    const std::string treno =
        "[generale]\r\nsegnale, 5000, 1,1,1,0,0,0,0,0,0,0\r\n"
        "segnale, 5010, 1,1,1,0,0,0,0,0,0,0\r\nstazione, 1025, 12\r\n"
        "sabbia, 99999\r\n[fine]\r\n";
    modello m = carica(linea, treno);
    modello solo = carica(fino_all_arresto, "");

    EXPECT_EQ(m.errore_numero, 6);
    EXPECT_EQ(m.errore_progressiva, 1010);
    EXPECT_EQ(stato_compilato(m), stato_compilato(solo));

    auto e = errori(m);
    ASSERT_EQ(e.size(), 6u);
    const std::vector<std::pair<std::string, int32_t>> attesi = {
        {"l.txt", 6}, {"l.txt", 8}, {"l.txt", 10}, {"t.txt", 3}, {"t.txt", 4}, {"t.txt", 5}};
    const std::vector<int32_t> numeri = {6, 25, 6, 16, 8, 25};
    for (size_t i = 0; i < e.size(); ++i) {
        EXPECT_EQ(e[i]->file, attesi[i].first) << i;
        EXPECT_EQ(e[i]->riga, attesi[i].second) << i << " " << e[i]->messaggio;
        EXPECT_EQ(e[i]->numero, numeri[i]) << i;
        EXPECT_EQ(e[i]->dopo_arresto, i > 0) << i;
    }
    // The board conflict after the stop names the board read after the stop.
    EXPECT_EQ(e[2]->messaggio,
              "direction board at chainage 3020: cell 61 is already taken by the direction "
              "board at 3000 m (line 9)");
}

TEST(DiagnosticMode, AStopInTheTrainFileReadsOnToItsEnd) {
    const std::string treno =
        "[generale]\r\nstazione, 1025, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, "
        "7,0,0, X\r\nvelocita, 0\r\nvelocita, 500, 75\r\n[fine]\r\n";
    modello m = carica(testa_linea + "[fine]\r\n", treno);
    EXPECT_EQ(m.errore_numero, 8);
    auto e = errori(m);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[1]->riga, 3);
    EXPECT_EQ(e[1]->messaggio, "speed limit record on line 3 has 1 value; it needs 2");
    EXPECT_TRUE(e[1]->dopo_arresto);
}

TEST(DiagnosticMode, ASpeedLimitTooLargeForItsCellsIsReportedOnce) {
    // The limit of line 2 is written, and found too large, by the record of line 3;
    // the records after it and the file's end fill cells too, but with their own
    // limits. Wherever the bad limit is, its fault is one error.
    for (const std::string& treno :
         {std::string("[generale]\r\nvelocita, 0, 1300\r\nvelocita, 500, 60\r\n"
                      "velocita, 1000, 70\r\n[fine]\r\n"),
          std::string("[generale]\r\nvelocita, 0, 60\r\nvelocita, 500, 1300\r\n[fine]\r\n")}) {
        modello m = carica(testa_linea + "[fine]\r\n", treno);
        EXPECT_EQ(m.errore_numero, 25);
        auto e = errori(m);
        ASSERT_EQ(e.size(), 1u) << e.back()->riga << " " << e.back()->messaggio;
        EXPECT_EQ(e[0]->messaggio,
                  "speed limit 1300 km/h does not fit a cell (round(limit / 5) must lie between "
                  "0 and 255)");
    }
}

TEST(DiagnosticMode, APositionPastTheCellsStopsTheCompileButNotTheCheck) {
    // Error 15 ends the line file's loop; the train file is still compiled, and the
    // rest of the line file is only checked.
    modello m = carica(testa_linea + "pendenza, 20000, 1\r\npendenza, 100\r\n[fine]\r\n",
                       "[generale]\r\nsabbia, 7\r\n[fine]\r\n");
    EXPECT_EQ(m.errore_numero, 15);
    EXPECT_EQ(m.tabella[86].intero1, 7);
    auto e = errori(m);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[1]->riga, 5);
    EXPECT_TRUE(e[1]->dopo_arresto);
}

TEST(DiagnosticMode, GivesUpAfterFiftyFurtherErrors) {
    std::string linea = testa_linea + "pendenza, 0\r\n";
    for (int i = 0; i < 80; ++i) linea += "pendenza, 100\r\n";
    modello m = carica(linea + "[fine]\r\n", treno_vuoto, 0);
    EXPECT_EQ(errori(m).size(), 51u);
    ASSERT_FALSE(m.diagnostiche.empty());
    const diagnostica& ultima = m.diagnostiche.back();
    EXPECT_TRUE(ultima.nota);
    EXPECT_STREQ(ultima.nome, "too-many-errors");
}

TEST(DiagnosticMode, KeepsAtMostTheLimitAndCountsTheRest) {
    std::string linea = testa_linea;
    for (int i = 0; i < 5000; ++i) linea += "galleria, 1, 2\r\n";
    modello m = carica(linea + "[fine]\r\n", treno_vuoto, 100);
    EXPECT_EQ(m.errore_numero, 0);
    EXPECT_EQ(m.diagnostiche.size(), 100u);
    EXPECT_EQ(m.conteggio.avvisi, 5000);
    EXPECT_EQ(m.conteggio.avvisi_omessi, 4900);
    // The first fault is kept even when the warnings have filled the report.
    modello f = carica(linea + "pendenza, 1\r\n[fine]\r\n", treno_vuoto, 100);
    EXPECT_EQ(f.errore_numero, 25);
    EXPECT_EQ(f.diagnostiche.size(), 101u);
    EXPECT_EQ(f.diagnostiche.back().numero, 25);
}

// Past the limit a warning is counted without its text: each kind of unknown item
// is still told apart (a keyword slip, a keyword with values, a near keyword
// alone on its line, text after the values, a comment), whichever names are off.
TEST(DiagnosticMode, PastTheLimitItemsAreCountedAsWhenKept) {
    std::string linea = testa_linea;
    for (int i = 0; i < 50; ++i)
        linea +=
            "pendensa, 100, 3\r\ngalleria, 1, 2\r\npendnza\r\npendenza, 0, 1 per mille\r\n"
            "un commento\r\n";
    linea += "[fine]\r\n";
    for (const std::vector<std::string>& spenti :
         {std::vector<std::string>{}, {"unknown-keyword"}, {"trailing-text"}}) {
        SCOPED_TRACE(spenti.empty() ? "all on" : spenti[0] + " off");
        auto conta = [&](size_t massimo) {
            modello m;
            m.regole.massimo = massimo;
            m.regole.spenti = spenti;
            memorizza_dati(m, da_testo("l.txt", linea), da_testo("t.txt", treno_vuoto));
            return m;
        };
        const modello tutti = conta(0);
        const modello pochi = conta(3);
        const int64_t attesi = spenti.empty() ? 200 : spenti[0] == "unknown-keyword" ? 50 : 150;
        EXPECT_EQ(tutti.conteggio.avvisi, attesi);
        EXPECT_EQ(pochi.conteggio.avvisi, attesi);
        EXPECT_EQ(pochi.conteggio.avvisi_omessi, attesi - 3);
        ASSERT_EQ(pochi.diagnostiche.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(pochi.diagnostiche[i].messaggio, tutti.diagnostiche[i].messaggio);
            EXPECT_EQ(pochi.diagnostiche[i].riga, tutti.diagnostiche[i].riga);
        }
    }
}

TEST(DiagnosticMode, WarningsTurnedOffByNameAreNeitherKeptNorCounted) {
    modello m;
    m.compila_planimetria = 1;
    m.regole.spenti = {"unknown-keyword"};
    memorizza_dati(
        m, da_testo("l.txt", testa_linea + "galleria, 1, 2\r\ncurva destra 3, 0, 50\r\n[fine]\r\n"),
        da_testo("t.txt", treno_vuoto));
    ASSERT_EQ(m.diagnostiche.size(), 1u);
    EXPECT_STREQ(m.diagnostiche[0].nome, "curve-hand");
    EXPECT_EQ(m.conteggio.avvisi, 1);
}

}  // namespace
}  // namespace binario
