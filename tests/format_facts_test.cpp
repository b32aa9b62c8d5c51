// The named facts of the format: the chainage rules at their ties and the error
// numbers, which the documentation of the errors must list one for one.
#include "compiler/format_facts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace binario {
namespace {

// Events and profiles round differently; at the ties of 25 m the two rules part,
// and round(p / 50) + 1 would give yet another cell.
TEST(FormatFactsTest, ChainageToCellRulesAtTheTies) {
    struct caso {
        int64_t p, evento, profilo;
    };
    const std::vector<caso> casi{
        {0, 1, 0},   {25, 2, 0},   {50, 2, 1},        {75, 2, 2},        {125, 4, 2},
        {-25, 0, 0}, {-75, 0, -2}, {13000, 261, 260}, {12100, 243, 242}, {1049, 22, 21},
    };
    for (const caso& c : casi) {
        EXPECT_EQ(cella_evento(c.p), c.evento) << "p = " << c.p;
        EXPECT_EQ(cella_profilo(c.p), c.profilo) << "p = " << c.p;
    }
}

TEST(FormatFactsTest, CellToChainageInvertsTheRulesOnMultiplesOf50) {
    for (int64_t p : {0, 50, 13000, 34100, 1000000}) {
        EXPECT_EQ(progressiva_evento(cella_evento(p)), p);
        EXPECT_EQ(inizio_cella(cella_profilo(p)), p);
    }
}

TEST(FormatFactsTest, EveryErrorNumberHasOneMeaning) {
    std::set<int32_t> visti;
    for (const significato_errore& e : tabella_errori()) {
        EXPECT_TRUE(visti.insert(e.numero).second) << e.numero;
        ASSERT_NE(e.testo, nullptr);
        EXPECT_EQ(std::string(e.testo).find('\n'), std::string::npos) << e.numero;
        EXPECT_EQ(significato_di(e.numero), e.testo);
    }
    for (int32_t assente : {0, 14, 23, 26, 100, 105, 1249, 1252})
        EXPECT_EQ(significato_di(assente), nullptr) << assente;
}

// The documented table of errors lists exactly the numbers the compiler records.
TEST(FormatFactsTest, DocumentedErrorsAreTheNamedOnes) {
    const std::string documento = test::leggi(BINARIO_SOURCE_DIR "/docs/formats.md");
    ASSERT_FALSE(documento.empty());
    const size_t inizio = documento.find("## 4. Errors");
    const size_t fine = documento.find("\n## ", inizio + 1);
    ASSERT_NE(inizio, std::string::npos);
    std::istringstream in(documento.substr(inizio, fine - inizio));
    static const std::regex riga_tabella(R"(^\| ([0-9]+) \|.*)");
    std::set<int32_t> documentati;
    for (std::string riga; std::getline(in, riga);) {
        std::smatch m;
        if (std::regex_match(riga, m, riga_tabella)) documentati.insert(std::stoi(m[1]));
    }
    std::set<int32_t> nominati;
    for (const significato_errore& e : tabella_errori()) nominati.insert(e.numero);
    EXPECT_EQ(documentati, nominati);
}

}  // namespace
}  // namespace binario
