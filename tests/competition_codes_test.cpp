#include "compiler/competition_codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/track_model.h"

namespace binario {
namespace {

modello con_nomi(const std::string& treno, const std::string& linea) {
    modello m;
    m.tabella[86].testo = treno;
    m.tabella[85].testo = linea;
    m.ultima_cella = 140;
    m.celle.assign(141, cella{});
    return m;
}

struct codici {
    int32_t st;
    int16_t og;
};

codici calcola(const std::string& treno, const std::string& linea) {
    modello m = con_nomi(treno, linea);
    return {codice_gara_st(m), codice_gara_og(m)};
}

TEST(CompetitionCodeTest, KnownNames) {
    struct caso {
        std::string treno, linea;
        int32_t st;
        int16_t og;
    };
    const std::vector<caso> casi{
        {"A 1", "Lavena_Torre Alta", 32045, 2399},
        {"", "", 34355, 2583},
        // 'a' to 'y' at positions 1 to 25: sum 97..121, weighted sum of p * (96 + p).
        {"ABCDEFGHIJ", "KLMNOPQRSTUVWXYZ", 36725, 2725},
        {"abcdefghij", "klmnopqrstuvwxy and more", 36725, 2725},
    };
    for (const caso& k : casi) {
        const codici c = calcola(k.treno, k.linea);
        EXPECT_EQ(c.st, k.st) << k.treno << "|" << k.linea;
        EXPECT_EQ(c.og, k.og) << k.treno << "|" << k.linea;
    }
}

TEST(CompetitionCodeTest, WorkingTextIsKeptInRiga) {
    modello m = con_nomi("A 1", "Lavena_Torre Alta");
    codice_gara_og(m);
    EXPECT_EQ(m.riga, "a 1lavena_torre altaaabbccddeeffgghhiillmmnnoo");
    EXPECT_EQ(m.riga.substr(0, 25), "a 1lavena_torre altaaabbc");
    m.riga = "something else";
    codice_gara_st(m);
    EXPECT_EQ(m.riga, "a 1lavena_torre altaaabbccddeeffgghhiillmmnnoo");

    modello vuoto = con_nomi("", "");
    codice_gara_st(vuoto);
    EXPECT_EQ(vuoto.riga, "aabbccddeeffgghhiillmmnnoo");
}

TEST(CompetitionCodeTest, CaseDoesNotMatterOrderDoes) {
    const codici base = calcola("A 1", "Lavena_Torre Alta");
    for (const auto& [treno, linea] :
         std::vector<std::pair<std::string, std::string>>{{"a 1", "lavena_torre alta"},
                                                          {"A 1", "LAVENA_TORRE ALTA"},
                                                          {"a 1", "LaVeNa_ToRrE aLtA"}}) {
        const codici c = calcola(treno, linea);
        EXPECT_EQ(c.st, base.st) << linea;
        EXPECT_EQ(c.og, base.og) << linea;
    }

    // Swapped names: the weighted code changes; the plain one only once the names
    // together pass 25 characters.
    const codici scambiato = calcola("Lavena_Torre Alta", "A 1");
    EXPECT_NE(scambiato.st, base.st);
    EXPECT_EQ(scambiato.og, base.og);

    EXPECT_EQ(calcola("ZZZZZZZZZZ", "AAAAAAAAAAAAAAAAAAAA").og, 10 * 122 + 15 * 97);
    EXPECT_EQ(calcola("AAAAAAAAAAAAAAAAAAAA", "ZZZZZZZZZZ").og, 20 * 97 + 5 * 122);
}

TEST(CompetitionCodeTest, HighBytesCountUnsigned) {
    // "\xC0" then the first 24 filler letters: 192 + 2 * (97+...+105 + 108+109+110).
    const codici c = calcola("\xC0", "");
    EXPECT_EQ(c.og, 192 + 2472);
    int32_t st = 192;
    const std::string riempitivo = "aabbccddeeffgghhiillmmnn";
    for (size_t p = 2; p <= 25; ++p)
        st += static_cast<int32_t>(riempitivo[p - 2]) * static_cast<int32_t>(p);
    EXPECT_EQ(c.st, st);
    // The largest possible sums fit their widths.
    const codici alto = calcola(std::string(25, '\xFF'), "");
    EXPECT_EQ(alto.og, 6375);
    EXPECT_EQ(alto.st, 82875);
}

TEST(CompetitionCodeStampTest, StoresMarkersAndCodes) {
    modello m = con_nomi("A 1", "Lavena_Torre Alta");
    EXPECT_EQ(timbra_codici(m), 0);
    EXPECT_EQ(m.tabella[85].intero1, 610);
    EXPECT_EQ(m.celle[1].dato1, 5121);
    EXPECT_EQ(m.tabella[85].codice, 32045);
    EXPECT_EQ(m.celle[1].dato2, 2399);
    // Nothing else of cell 1 or of the neighbours changes.
    EXPECT_EQ(m.celle[1].evento, 0);
    EXPECT_EQ(m.celle[0].dato1, 0);
    EXPECT_EQ(m.celle[2].dato1, 0);

    modello vuoto = con_nomi("", "");
    EXPECT_EQ(timbra_codici(vuoto), 0);
    EXPECT_EQ(vuoto.tabella[85].codice, 34355);
    EXPECT_EQ(vuoto.celle[1].dato2, 2583);
}

TEST(CompetitionCodeStampTest, GuardsStopAtTheFirstUsedSlot) {
    struct caso {
        std::string nome;
        void (*prepara)(modello&);
        int32_t atteso;
        bool marcatori;  // markers stored before the stop
    };
    const std::vector<caso> casi{
        {"marker in tabella", [](modello& m) { m.tabella[85].intero1 = 1; }, 1250, false},
        {"dato1 in cell 1", [](modello& m) { m.celle[1].dato1 = 180; }, 1250, false},
        {"code in tabella", [](modello& m) { m.tabella[85].codice = -7; }, 1251, true},
        {"dato2 in cell 1", [](modello& m) { m.celle[1].dato2 = 15; }, 1251, true},
    };
    for (const caso& k : casi) {
        modello m = con_nomi("A 1", "Lavena_Torre Alta");
        k.prepara(m);
        modello prima = m;
        EXPECT_EQ(timbra_codici(m), k.atteso) << k.nome;
        if (k.marcatori) {
            EXPECT_EQ(m.tabella[85].intero1, 610) << k.nome;
            EXPECT_EQ(m.celle[1].dato1, 5121) << k.nome;
        } else {
            EXPECT_EQ(m.tabella[85].intero1, prima.tabella[85].intero1) << k.nome;
            EXPECT_EQ(m.celle[1].dato1, prima.celle[1].dato1) << k.nome;
        }
        EXPECT_EQ(m.tabella[85].codice, prima.tabella[85].codice) << k.nome;
        EXPECT_EQ(m.celle[1].dato2, prima.celle[1].dato2) << k.nome;
    }
}

TEST(CompetitionCodeStampTest, NoCellOneNoStamp) {
    for (size_t n : {size_t{0}, size_t{1}}) {
        modello m = con_nomi("A 1", "Lavena_Torre Alta");
        m.celle.assign(n, cella{});
        EXPECT_EQ(timbra_codici(m), 0);
        EXPECT_EQ(m.tabella[85].intero1, 0);
        EXPECT_EQ(m.tabella[85].codice, 0);
    }
}

}  // namespace
}  // namespace binario
