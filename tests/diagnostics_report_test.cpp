#include "run/diagnostics_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace binario {
namespace {

diagnostica errore(int32_t numero, std::string file, int32_t riga, std::optional<int32_t> km,
                   std::string messaggio) {
    diagnostica d;
    d.numero = numero;
    d.file = std::move(file);
    d.riga = riga;
    d.progressiva = km;
    d.messaggio = std::move(messaggio);
    return d;
}

diagnostica avviso(std::string file, int32_t riga, std::string messaggio) {
    diagnostica d = errore(0, std::move(file), riga, std::nullopt, std::move(messaggio));
    d.avviso = true;
    return d;
}

TEST(DiagnosticLine, NamesTheFileAndLineOrTheChainage) {
    struct caso {
        diagnostica d;
        std::string attesa;
    };
    const std::vector<caso> casi = {
        {errore(8, "in/a b_T-.txt", 37, 1025, "station chainage 1025 is not a multiple of 50"),
         "in/a b_T-.txt:37: error 8: station chainage 1025 is not a multiple of 50"},
        {avviso("x_linea.txt", 5, "near miss"), "x_linea.txt:5: warning: near miss"},
        {errore(101, "x_linea.txt", 0, std::nullopt, "missing"), "x_linea.txt: error 101: missing"},
        {errore(12, "", 0, 3050, "window full"), "chainage 3050: error 12: window full"},
        {errore(2, "", 0, std::nullopt, "not a multiple"), "error 2: not a multiple"},
        {errore(25, "f.txt", 2, std::nullopt, "bad \"pendenz\xE8\""),
         "f.txt:2: error 25: bad \"pendenz\xC3\xA8\""},
    };
    for (const caso& c : casi) EXPECT_EQ(riga_diagnostica(c.d), c.attesa);
}

std::string stampato(const modello& m, bool avvisi) {
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    stampa_diagnostiche(m, f, avvisi);
    std::rewind(f);
    std::string testo;
    for (int c; (c = std::fgetc(f)) != EOF;) testo.push_back(static_cast<char>(c));
    std::fclose(f);
    return testo;
}

TEST(DiagnosticReport, SummaryCountsWhatWasPrinted) {
    modello m;
    m.diagnostiche = {avviso("l.txt", 3, "w1"), errore(16, "t.txt", 4, 1010, "taken"),
                      avviso("l.txt", 9, "w2")};

    EXPECT_EQ(stampato(m, true),
              "l.txt:3: warning: w1\nt.txt:4: error 16: taken\nl.txt:9: warning: w2\n"
              "1 error, 2 warnings\n");
    EXPECT_EQ(stampato(m, false), "t.txt:4: error 16: taken\n1 error, 0 warnings\n");
    EXPECT_EQ(stampato(modello{}, true), "0 errors, 0 warnings\n");
}

}  // namespace
}  // namespace binario
