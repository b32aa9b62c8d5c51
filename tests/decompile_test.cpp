// The way back from compiled files: description files that compile to the same
// bytes, for the built-in scenario, the benchmark scenarios and random ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "common/text_file_writer.h"
#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "decompile/decompiler.h"
#include "decompile/round_trip.h"
#include "formats/compiled_files.h"
#include "random_scenario.h"
#include "scenario_generator.h"
#include "tests/test_support.h"

namespace binario {
namespace {

struct insieme_byte {
    std::string piano, tabella, celle;
};

insieme_byte compila_in_byte(const std::string& linea_txt, const std::string& treno_txt,
                             const std::string& linea, const std::string& treno, int32_t j = 1) {
    const modello m = compila_testi(linea_txt, treno_txt, linea, treno, j);
    return {j ? serializza_piano(m) : std::string(), serializza_tabella(m), serializza_celle(m)};
}

insieme_compilato decodifica(const insieme_byte& b) {
    insieme_compilato s;
    s.tabella = decodifica_tabella(b.tabella).dati;
    s.celle = decodifica_celle(b.celle).dati;
    if (!b.piano.empty()) s.piano = decodifica_piano(b.piano).dati;
    return s;
}

// Decompiles the set and compiles the result again: the bytes of every file must
// agree, and the decompiler's own check must say so. Returns a failure message.
std::string andata_e_ritorno(const std::string& linea_txt, const std::string& treno_txt,
                             const std::string& linea, const std::string& treno, int32_t j = 1) {
    const insieme_byte originale = compila_in_byte(linea_txt, treno_txt, linea, treno, j);
    const insieme_compilato s = decodifica(originale);
    const decompilazione d = decompila(s, linea, treno);
    const insieme_byte ritorno = compila_in_byte(d.testo_linea, d.testo_treno, linea, treno, j);
    const esito_confronto e =
        verifica_andata_ritorno(s, d.testo_linea, d.testo_treno, linea, treno);
    std::string guasto;
    if (ritorno.piano != originale.piano) guasto += "plan bytes differ; ";
    if (ritorno.tabella != originale.tabella) guasto += "table bytes differ; ";
    if (ritorno.celle != originale.celle) guasto += "cell bytes differ; ";
    if (e.identico != guasto.empty()) guasto += "the check disagrees with the bytes; ";
    for (const differenza& x : e.differenze)
        guasto += x.file + " " + x.dove + ": " + x.atteso + " / " + x.ottenuto + "; ";
    for (const std::string& n : d.non_riproducibili) guasto += n + "; ";
    return guasto;
}

TEST(Decompile, BuiltInScenarioComesBackByteIdentical) {
    const std::string linea = componi_righe(righe_linea());
    const std::string treno = componi_righe(righe_treno());
    EXPECT_EQ(andata_e_ritorno(linea, treno, "Lavena_Torre Alta", "A 1"), "");
}

TEST(Decompile, WithoutThePlanTheCurvesAreLeftOutAndTheRestComesBack) {
    const std::string linea = componi_righe(righe_linea());
    const std::string treno = componi_righe(righe_treno());
    EXPECT_EQ(andata_e_ritorno(linea, treno, "Lavena_Torre Alta", "A 1", 0), "");
    const insieme_compilato s =
        decodifica(compila_in_byte(linea, treno, "Lavena_Torre Alta", "A 1", 0));
    const decompilazione d = decompila(s, "Lavena_Torre Alta", "A 1");
    EXPECT_EQ(d.testo_linea.find("curva"), std::string::npos);
    EXPECT_NE(d.testo_linea.find("- no plan file: the curves are left out"), std::string::npos);
}

TEST(Decompile, BenchmarkScenariosComeBackByteIdentical) {
    for (int32_t km : {34, 340}) {
        const scenario_generato g = genera_scenario(km * 1000);
        EXPECT_EQ(andata_e_ritorno(g.testo_linea, g.testo_treno, g.linea, g.treno), "") << km;
    }
}

// Lost information that the output must still reproduce: a speed limit between two
// steps of 5, a signal time the side makes irrelevant, a station's extension flag
// that the first station does not keep, a board speed on one side only, tunnels
// close enough to take type 3, a code mark placed beside one written by hand.
TEST(Decompile, ValuesThatSeveralRecordsGiveComeBackAsOneOfThem) {
    const std::string linea =
        "[generale]\r\nlunghezza percorso, 20000\r\n"
        "progressiva chilometrica uno, 1000, 50, 1\r\n"
        "progressiva chilometrica due, 3000, 150, 0\r\n"
        "progressiva chilometrica tre, 2000, 100, 1\r\n"
        "ripetizione segnali 9 codici, 100, 0\r\n"
        "[curve]\r\ncurvas3, 100, 40\r\ncurvad3, 140, 10\r\ncurvad6, 19990, 9000\r\n"
        "[montagne]\r\nmontagna, 1000, 2000, 11\r\nmontagna, 2100, 2500, 2\r\n"
        "montagna, 4000, 4200, -250\r\n"
        "[cartelli]\r\nindicatori_vmax, 550, 75, 0, 0, 1, 70, , , 2\r\n[fine]\r\n";
    const std::string treno =
        "[generale]\r\n[vel_limite]\r\nvelocita, 0, 73\r\nvelocita, 5000, 72\r\n"
        "[stazioni]\r\nstazione, 1000, 12, 400, 1, 1, 1, 1,1,0, 4,1,1, 30, 7,0,0, A\r\n"
        "stazione, 5000, 12, 600, 1, 1, 1, 1,1,0, 4,1,1, 30, 7,5,0, B\r\n"
        "[rallentamenti]\r\nrallentamento, 12000, 60, 1000, 1, 1, 0\r\n"
        "[segnali]\r\nsegnale, 10000, 1, 3, 1, 0, 0, 0, 0,0,0, 250\r\n"
        "segnale, 10500, 2, 3, 1, 0, 1, 12, 0,0,0, 50\r\n"
        "[codici]\r\nabbattimento, 11250, 120\r\nabbattimento, 15000, 0\r\n[fine]\r\n";
    EXPECT_EQ(andata_e_ritorno(linea, treno, "Prova", "T 1"), "");
}

// Table texts whose bytes happen to be valid UTF-8 (C3 A9 is "\xC3\xA9" in Windows-1252
// and an e with acute accent in UTF-8) come back as the same bytes: the files written
// are kept Windows-1252 by a line before "[generale]".
TEST(Decompile, TextsThatPassForUtf8ComeBackAsTheSameBytes) {
    const std::string testo = "\xC3\xA9T\xC3\xA9";
    const std::string linea =
        "-- caff\xE8\r\n[generale]\r\nlunghezza percorso, 10000\r\n"
        "[cartelli]\r\nindicatore cartello, 3000, " +
        testo + "\r\n[fine]\r\n";
    const std::string treno =
        "-- caff\xE8\r\n[generale]\r\nstazione, 2000, 28, 200, 0,0,0, "
        "0,0,0, 0,0,0, 30, 7,0,0, " +
        testo + "\r\n[fine]\r\n";
    EXPECT_EQ(andata_e_ritorno(linea, treno, "Prova", "T 1"), "");
    const insieme_compilato s = decodifica(compila_in_byte(linea, treno, "Prova", "T 1"));
    EXPECT_EQ(s.tabella[1].testo, testo);
    EXPECT_EQ(s.tabella[80].testo, testo);
    const decompilazione d = decompila(s, "Prova", "T 1");
    EXPECT_FALSE(reads_as_utf8(d.testo_linea));
    EXPECT_FALSE(reads_as_utf8(d.testo_treno));
    // Texts in plain ASCII need no such line.
    const decompilazione a = decompila(
        decodifica(compila_in_byte(componi_righe(righe_linea()), componi_righe(righe_treno()),
                                   "Lavena_Torre Alta", "A 1")),
        "Lavena_Torre Alta", "A 1");
    EXPECT_EQ(a.testo_linea.find("Windows-1252"), std::string::npos);
}

TEST(Decompile, RandomScenariosComeBackByteIdentical) {
    std::mt19937_64 motore(17);
    int provati = 0, validi = 0;
    std::string guasti;
    for (; provati < 300; ++provati) {
        const uint64_t seme = motore();
        std::mt19937_64 r(seme);
        const scenario_generato g = scenario_casuale([&r](int64_t lo, int64_t hi) {
            return lo + static_cast<int64_t>(r() % static_cast<uint64_t>(hi - lo + 1));
        });
        if (!scenario_valido(g)) continue;
        ++validi;
        const std::string guasto = andata_e_ritorno(g.testo_linea, g.testo_treno, g.linea, g.treno);
        if (!guasto.empty())
            guasti += "seed " + std::to_string(seme) + ": " + guasto.substr(0, 400) + "\n";
    }
    std::printf("random scenarios: %d drawn, %d valid, all of them compared\n", provati, validi);
    // The generator keeps events apart; most of what it draws must compile.
    EXPECT_GT(validi, provati * 3 / 4);
    EXPECT_EQ(guasti, "");
}

TEST(Decompile, TheCheckNamesEachDifferingCellRowAndPlanRange) {
    const std::string linea = componi_righe(righe_linea());
    const std::string treno = componi_righe(righe_treno());
    insieme_compilato s = decodifica(compila_in_byte(linea, treno, "Lavena_Torre Alta", "A 1"));
    const decompilazione d = decompila(s, "Lavena_Torre Alta", "A 1");
    // A set edited by hand: a cell event no record writes, a table value, a point.
    s.celle[300].evento = 99;
    s.tabella[riga_valori_generali].valore1 = 76;
    s.piano->assegna_reale(5000, 0, 1.5);
    const esito_confronto e =
        verifica_andata_ritorno(s, d.testo_linea, d.testo_treno, "Lavena_Torre Alta", "A 1");
    EXPECT_FALSE(e.identico);
    std::string elenco;
    for (const differenza& x : e.differenze) elenco += x.file + " " + x.dove + "|";
    EXPECT_EQ(elenco,
              "plan metres 5000 to 5000, first (x, y)|table row 84 valore1|"
              "cells cell 300 (chainage 15000) evento|");
}

TEST(Decompile, CommandWritesChecksAndRefusesWhatItMustNot) {
    test::cartella_temporanea dir;
    const std::string src = dir.file("src"), out = dir.file("out"), rec = dir.file("rec");
    ASSERT_EQ(test::esegui_binario({"example", dir.percorso()}).stato, 0);
    std::filesystem::create_directory(out);
    ASSERT_EQ(test::esegui_binario({"compile", dir.file("Lavena_Torre Alta_linea.txt"),
                                    dir.file("Lavena_Torre Alta_A 1-.txt"), "--out", out})
                  .stato,
              0);
    const std::string celle = out + "/Lavena_Torre Alta_A 1.dat";
    const std::string prima = test::leggi(celle);

    test::esito_processo p = test::esegui_binario({"decompile", out, "-o", rec});
    EXPECT_EQ(p.stato, 0) << p.err;
    EXPECT_NE(p.out.find("round trip: identical"), std::string::npos);
    EXPECT_TRUE(test::esiste(rec + "/Lavena_Torre Alta_linea.txt"));
    EXPECT_TRUE(test::esiste(rec + "/Lavena_Torre Alta_A 1-.txt"));
    EXPECT_EQ(test::leggi(celle), prima);

    struct caso {
        std::vector<std::string> argomenti;
        int stato;
        std::string messaggio;
    };
    const std::vector<caso> casi = {
        {{"decompile", out, "-o", rec}, 73, "pass --force"},
        {{"decompile", out, out + "/x", "-o", rec}, 64, "PLAN TABLE CELLS"},
        {{"decompile", dir.file("nowhere"), "-o", rec}, 64, "does not exist"},
        {{"decompile", out + "/Lavena_Torre Alta_linea.dat", out + "/Lavena_Torre Alta_A 1.sim",
          celle, "-o", out, "--force", "--linea", "Lavena_Torre Alta", "--treno", "A 1"},
         0,
         "round trip: identical"},
    };
    for (const caso& c : casi) {
        p = test::esegui_binario(c.argomenti);
        EXPECT_EQ(p.stato, c.stato) << c.argomenti[1];
        EXPECT_NE((p.out + p.err).find(c.messaggio), std::string::npos) << p.out << p.err;
    }
    EXPECT_EQ(test::leggi(celle), prima);

    // A cell file cut short is refused as damaged; an edited one is decoded and named.
    test::scrivi(celle, prima.substr(0, prima.size() - 3));
    p = test::esegui_binario({"decompile", out, "-o", rec, "--force"});
    EXPECT_EQ(p.stato, 65);
    EXPECT_NE(p.err.find("malformed cell file"), std::string::npos) << p.err;
    std::string modificato = prima;
    modificato[15 * 300] = 99;
    test::scrivi(celle, modificato);
    p = test::esegui_binario({"decompile", out, "-o", rec, "--force", "--json"});
    EXPECT_EQ(p.stato, 1);
    EXPECT_NE(p.out.find("\"identical\": false"), std::string::npos) << p.out;
    EXPECT_NE(p.out.find("cell 300 (chainage 15000) evento"), std::string::npos) << p.out;
    p = test::esegui_binario({"decompile", out, "-o", rec, "--force"});
    EXPECT_EQ(p.stato, 1);
    EXPECT_NE(p.out.find("round trip: 1 difference\n"), std::string::npos) << p.out;
}

}  // namespace
}  // namespace binario
