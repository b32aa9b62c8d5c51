#include "compiler/loader_warnings.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "compiler/scenario_loader.h"
#include "test_support.h"

namespace binario {
namespace {

using test::da_testo;

const std::string testa_linea = "[generale]\r\nlunghezza percorso, 10000\r\n[profili]\r\n";

struct caso_avviso {
    const char* nome;
    std::string linea_extra;  // records after the line file's head
    std::string treno;        // whole train file
    std::string file;         // which file the warning names
    int32_t riga;
    std::string messaggio;
};

// Test names print the case name, not the bytes of the case.
void PrintTo(const caso_avviso& c, std::ostream* os) {
    *os << c.nome;
}

class LoaderWarning : public testing::TestWithParam<caso_avviso> {};

TEST_P(LoaderWarning, IsRecordedAndChangesNothingElse) {
    const caso_avviso& c = GetParam();
    modello m;
    m.compila_planimetria = 1;
    memorizza_dati(m, da_testo("l.txt", testa_linea + c.linea_extra + "[fine]\r\n"),
                   da_testo("t.txt", c.treno));
    EXPECT_EQ(m.errore_numero, 0);
    ASSERT_EQ(m.diagnostiche.size(), 1u);
    const diagnostica& d = m.diagnostiche[0];
    EXPECT_TRUE(d.avviso);
    EXPECT_EQ(d.file, c.file);
    EXPECT_EQ(d.riga, c.riga);
    EXPECT_EQ(d.messaggio, c.messaggio);
}

const std::string treno_vuoto = "[generale]\r\n[fine]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, LoaderWarning,
    testing::Values(
        caso_avviso{"NearMissKeyword", "pendensa, 100, 3\r\n", treno_vuoto, "l.txt", 4,
                    "\"pendensa\" is not a keyword; did you mean \"pendenza\"? The values after "
                    "it are ignored."},
        caso_avviso{"UnknownKeywordWithValues", "galleria, 100, 200, 1\r\n", treno_vuoto, "l.txt",
                    4, "\"galleria\" is not a keyword; the values after it are ignored"},
        caso_avviso{"TextAfterTheValues", "", "[generale]\r\nvelocita, 0, 75 km/h\r\n[fine]\r\n",
                    "t.txt", 2, "\"km/h\" after the record's values is not read: it is ignored"},
        caso_avviso{"GradientsOutOfOrder",
                    "pendenza, 0, 1\r\npendenza, 500, 2\r\npendenza, 400, 3\r\n", treno_vuoto,
                    "l.txt", 6,
                    "gradient record at chainage 400 comes after one at 500: records must be in "
                    "ascending chainage"},
        caso_avviso{"GradientNotAtMultipleOf50", "pendenza, 0, 1\r\npendenza, 475, 2\r\n",
                    treno_vuoto, "l.txt", 5,
                    "gradient chainage 475 is not a multiple of 50; it is taken to the nearest "
                    "cell"},
        caso_avviso{"FirstSpeedNotAtZero", "", "[generale]\r\nvelocita, 500, 75\r\n[fine]\r\n",
                    "t.txt", 2,
                    "the first speed limit record is at chainage 500, not 0; the cells before it "
                    "keep the starting value"},
        caso_avviso{"OverlappingCurves", "curvad1, 100, 300\r\ncurvas1, 300, 100\r\n", treno_vuoto,
                    "l.txt", 5,
                    "curve at chainage 300 starts before the previous curve ends at 400"},
        caso_avviso{"LastRecordSwallowed", "", "[generale]\r\nsabbia, 300\r\nnumero vetture",
                    "t.txt", 3,
                    "the last item \"numero vetture\" is not read as a record: the file must end "
                    "with a line that is no record, such as \"[fine]\""}),
    [](const testing::TestParamInfo<caso_avviso>& i) { return std::string(i.param.nome); });

TEST(LoaderWarnings, CaseSensitiveGeneralWordsAreExplained) {
    modello m;
    memorizza_dati(m,
                   da_testo("l.txt",
                            "[generale]\r\nlunghezza percorso, 1000\r\n"
                            "PROGRESSIVA chilometrica tre, 0, 0, 0\r\n[p]\r\n[fine]\r\n"),
                   da_testo("t.txt", treno_vuoto));
    ASSERT_EQ(m.diagnostiche.size(), 1u);
    EXPECT_EQ(m.diagnostiche[0].messaggio,
              "\"PROGRESSIVA chilometrica tre\" is not a keyword; did you mean \"progressiva "
              "chilometrica tre\"? (its words are case-sensitive) The values after it are "
              "ignored.");
}

TEST(LoaderWarnings, CommentsAndHeadersAreQuiet) {
    modello m;
    memorizza_dati(m,
                   da_testo("l.txt", testa_linea + "questa linea e' un commento\r\n[curve]\r\n"
                                                   "--------\r\n[fine]\r\n"),
                   da_testo("t.txt", treno_vuoto));
    EXPECT_TRUE(m.diagnostiche.empty());
}

TEST(LoaderWarnings, NearestKeyword) {
    EXPECT_EQ(distanza("pendensa", "PENDENZA"), 1u);
    EXPECT_EQ(parola_vicina("aderensa", parole_treno), "aderenza");
    EXPECT_EQ(parola_vicina("curvx6", parole_profilo_linea), "curva");
    EXPECT_FALSE(parola_vicina("galleria", parole_profilo_linea));
}

}  // namespace
}  // namespace binario
