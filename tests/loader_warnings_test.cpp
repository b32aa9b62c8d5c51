#include "compiler/loader_warnings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "common/text_file_writer.h"
#include "compiler/compile_driver.h"
#include "compiler/scenario_loader.h"
#include "compiler/warning_names.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "scenario_generator.h"
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
    const char* avviso;               // the warning's stable name
    std::string testa = testa_linea;  // the line file's head
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
    memorizza_dati(m, da_testo("l.txt", c.testa + c.linea_extra + "[fine]\r\n"),
                   da_testo("t.txt", c.treno));
    EXPECT_EQ(m.errore_numero, 0);
    ASSERT_EQ(m.diagnostiche.size(), 1u)
        << (m.diagnostiche.size() > 1 ? m.diagnostiche[1].messaggio : "");
    const diagnostica& d = m.diagnostiche[0];
    EXPECT_TRUE(d.avviso);
    EXPECT_FALSE(d.nota);
    EXPECT_STREQ(d.nome, c.avviso);
    EXPECT_TRUE(avviso_noto(d.nome));
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
                    "it are ignored.",
                    "unknown-keyword"},
        caso_avviso{"UnknownKeywordWithValues", "galleria, 100, 200, 1\r\n", treno_vuoto, "l.txt",
                    4, "\"galleria\" is not a keyword; the values after it are ignored",
                    "unknown-keyword"},
        caso_avviso{"TextAfterTheValues", "", "[generale]\r\nvelocita, 0, 75 km/h\r\n[fine]\r\n",
                    "t.txt", 2, "\"km/h\" after the record's values is not read: it is ignored",
                    "trailing-text"},
        caso_avviso{"GradientsOutOfOrder",
                    "pendenza, 0, 1\r\npendenza, 500, 2\r\npendenza, 400, 3\r\n", treno_vuoto,
                    "l.txt", 6,
                    "gradient record at chainage 400 comes after one at 500: records must be in "
                    "ascending chainage",
                    "out-of-order"},
        caso_avviso{"GradientNotAtMultipleOf50", "pendenza, 0, 1\r\npendenza, 475, 2\r\n",
                    treno_vuoto, "l.txt", 5,
                    "gradient chainage 475 is not a multiple of 50; it is taken to the nearest "
                    "cell",
                    "not-multiple-of-50"},
        caso_avviso{"FirstSpeedNotAtZero", "", "[generale]\r\nvelocita, 500, 75\r\n[fine]\r\n",
                    "t.txt", 2,
                    "the first speed limit record is at chainage 500, not 0; the cells before it "
                    "keep the starting value",
                    "first-not-at-zero"},
        caso_avviso{"OverlappingCurves", "curvad1, 100, 300\r\ncurvas1, 300, 100\r\n", treno_vuoto,
                    "l.txt", 5,
                    "curve at chainage 300 starts before the previous curve ends at 400",
                    "curve-overlap"},
        caso_avviso{"OverlappingTunnels", "montagna, 1000, 2000, 1\r\nmontagna, 1900, 2500, 1\r\n",
                    treno_vuoto, "l.txt", 5,
                    "tunnel at chainage 1900 starts before the previous tunnel ends at 2000: it is "
                    "given type 3, and the cells they share are this tunnel's",
                    "tunnel-overlap"},
        caso_avviso{"LineLengthTwice", "", treno_vuoto, "l.txt", 3,
                    "line length given again: this record replaces the one on line 2",
                    "repeated-record",
                    "[generale]\r\nlunghezza percorso, 10000\r\nlunghezza percorso, 12000\r\n"
                    "[profili]\r\n"},
        caso_avviso{"ClockTwice", "",
                    "[generale]\r\norologio, 8, 0, 0\r\nsabbia, 3\r\norologio, 9, 0, 0\r\n"
                    "[fine]\r\n",
                    "t.txt", 4, "clock given again: this record replaces the one on line 2",
                    "repeated-record"},
        caso_avviso{"LastRecordSwallowed", "", "[generale]\r\nsabbia, 300\r\nnumero vetture",
                    "t.txt", 3,
                    "the last item \"numero vetture\" is not read as a record: the file must end "
                    "with a line that is no record, such as \"[fine]\"",
                    "last-record-unread"},
        caso_avviso{"UnitAfterTheLineLength", "", treno_vuoto, "l.txt", 2,
                    "\"km\" after the record's values is not read: it is ignored", "trailing-text",
                    "[generale]\r\nlunghezza percorso, 5 km\r\n[profili]\r\n"},
        caso_avviso{"SInAWordOfACurveKeyword", "curva destra 3, 100, 200\r\n", treno_vuoto, "l.txt",
                    4,
                    "curve keyword \"curva destra 3\" has an \"s\" that is not the hand letter "
                    "right after \"curva\", so the curve turns left; write \"curvas\" for a left "
                    "curve and \"curvad\" for a right one",
                    "curve-hand"},
        caso_avviso{"SignalBeyondTheLineEnd", "",
                    "[generale]\r\nsegnale, 10500, 1,1,1,0,0,0,0,0,0,0\r\n[fine]\r\n", "t.txt", 2,
                    "signal record at chainage 10500 lies beyond the end of the line (10000 m)",
                    "beyond-line-end"},
        caso_avviso{"StationBeyondTheLineEnd", "",
                    "[generale]\r\nstazione, 12000, 28, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, "
                    "X\r\n[fine]\r\n",
                    "t.txt", 2,
                    "station record at chainage 12000 lies beyond the end of the line (10000 m)",
                    "beyond-line-end"},
        caso_avviso{"TrainFileWithoutGeneral", "", "[general]\r\nsabbia, 3\r\n[fine]\r\n", "t.txt",
                    0,
                    "the train file has no \"[generale]\" line: nothing of it is read, so the "
                    "train has no stations, no braked mass and no clock",
                    "no-general-section"},
        caso_avviso{"EmptyTrainFile", "", "", "t.txt", 0,
                    "the train file is empty: the train has no stations, no braked mass and no "
                    "clock",
                    "no-general-section"},
        caso_avviso{"StationMarkOverASignal", "",
                    "[generale]\r\nsegnale, 1150, 1,1,1,0,0,0,0,0,0,0\r\n"
                    "stazione, 1100, 5, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n[fine]\r\n",
                    "t.txt", 3,
                    "the mark of the station at chainage 1100 replaces the signal at 1150 m "
                    "(line 2) in cell 24",
                    "event-overwritten"},
        caso_avviso{"SignalMarksOverAnotherSignals", "",
                    "[generale]\r\nsegnale, 3000, 1,1,1,0,0,0,0,0,0,0\r\n"
                    "segnale, 3200, 1,1,1,0,0,0,0,0,0,0\r\n[fine]\r\n",
                    "t.txt", 3,
                    "the approach marks of the signal at chainage 3200 replace those of the "
                    "signal at 3000 m (line 2) in cells 59, 57",
                    "event-overwritten"},
        caso_avviso{"StationMarksOverASignals", "",
                    "[generale]\r\nsegnale, 3100, 1,1,1,0,0,0,0,0,0,0\r\n"
                    "stazione, 3000, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, X\r\n[fine]\r\n",
                    "t.txt", 3,
                    "the approach marks of the station at chainage 3000 replace those of the "
                    "signal at 3100 m (line 2) in cells 59, 57",
                    "event-overwritten"},
        caso_avviso{"SignalMarksOverAStations", "",
                    "[generale]\r\nstazione, 3000, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, "
                    "X\r\nsegnale, 3100, 1,1,1,0,0,0,0,0,0,0\r\n[fine]\r\n",
                    "t.txt", 3,
                    "the approach marks of the signal at chainage 3100 replace those of the "
                    "station at 3000 m (line 2) in cells 59, 57",
                    "event-overwritten"},
        caso_avviso{"SlowdownShorterThanACell", "",
                    "[generale]\r\nrallentamento, 3000, 30, 10, 1, 0, 0\r\n[fine]\r\n", "t.txt", 2,
                    "slowdown at chainage 3000: its start and end fall into the same cell 61 "
                    "(length 10 m): the start board replaces the end board",
                    "event-overwritten"},
        caso_avviso{"SignalValueStoredByItsLowBits", "",
                    "[generale]\r\nsegnale, 3300, 1, 4000, 0,0,0,0,0,0,0,0\r\n[fine]\r\n", "t.txt",
                    2,
                    "signal at chainage 3300: s1 x 10 + d1 = 40000 does not fit 16 bits (-32768 "
                    "to 32767); it is stored by its low bits as -25536",
                    "value-truncated"},
        caso_avviso{"GradientStoredByItsLowBits", "pendenza, 0, 200\r\n", treno_vuoto, "l.txt", 4,
                    "gradient 200 at chainage 0 lies outside -100 to 155 per mille; its cells "
                    "store -56",
                    "value-truncated"},
        caso_avviso{"AdhesionStoredByItsLowBits", "",
                    "[generale]\r\naderenza, 0, 300\r\n[fine]\r\n", "t.txt", 2,
                    "adhesion 300 at chainage 0 does not fit a byte (0 to 255); its cells store "
                    "44",
                    "value-truncated"},
        caso_avviso{"CodeMarkValueStoredByItsLowBits", "",
                    "[generale]\r\nabbattimento, 3000, 40000\r\n[fine]\r\n", "t.txt", 2,
                    "code mark at chainage 3000: value 40000 does not fit 16 bits (-32768 to "
                    "32767); it is stored by its low bits as -25536",
                    "value-truncated"},
        caso_avviso{"ValueOnTheNextLine", "pendenza, 0, 1\r\npendenza, 500\r\n7\r\n", treno_vuoto,
                    "l.txt", 5,
                    "gradient record on line 5 has 1 value; it needs 2; value 2 is taken from "
                    "line 6",
                    "missing-values"},
        caso_avviso{"NameOnTheNextLine", "",
                    "[generale]\r\nstazione, 2000, 28, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0\r\n"
                    "NOME\r\n[fine]\r\n",
                    "t.txt", 2,
                    "station record on line 2 has 16 values; it needs 17; its station name is "
                    "taken from line 3: \"NOME\"",
                    "missing-values"}),
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

TEST(LoaderWarnings, ATunnelTypeTheCloseTunnelRuleReplacesLosesNoBits) {
    // The second tunnel starts 100 m after the first ends: its cells take type 3, so
    // its written type 290 is not stored by its low bits (34), and no warning says so.
    modello m;
    memorizza_dati(
        m,
        da_testo("l.txt", testa_linea + "montagna, 1000, 1200, 1\r\nmontagna, 1300, 1500, "
                                        "300\r\n[fine]\r\n"),
        da_testo("t.txt", treno_vuoto));
    EXPECT_TRUE(m.diagnostiche.empty()) << m.diagnostiche[0].messaggio;
    EXPECT_EQ(m.celle[26].galleria, 3);
    EXPECT_EQ(m.celle[29].evento, evento_galleria);
}

// A warning on a good scenario is a fault of the warning: the built-in scenario and
// the generated ones compile without a single diagnostic.
TEST(LoaderWarnings, GoodScenariosGiveNone) {
    struct scenario {
        std::string nome, linea, treno;
    };
    std::vector<scenario> buoni{
        {"built-in", componi_righe(righe_linea()), componi_righe(righe_treno())}};
    for (int32_t km : {34, 340, 1000}) {
        const scenario_generato g = genera_scenario(km * 1000);
        buoni.push_back({g.linea, g.testo_linea, g.testo_treno});
    }
    for (const scenario& b : buoni) {
        modello m;
        m.compila_planimetria = 1;
        compila_modello(m, 1, da_testo("l.txt", b.linea), da_testo("t.txt", b.treno));
        EXPECT_EQ(m.errore_numero, 0) << b.nome;
        for (const diagnostica& d : m.diagnostiche) ADD_FAILURE() << b.nome << ": " << d.messaggio;
    }
}

TEST(LoaderWarnings, BoundedDistanceAgreesWithTheWholeOne) {
    // Short words over a small alphabet, so that every kind of edit turns up.
    std::mt19937 caso(16);
    auto parola = [&caso] {
        std::string p(caso() % 9, ' ');
        for (char& c : p) c = "abcAB "[caso() % 6];
        return p;
    };
    for (int n = 0; n < 20000; ++n) {
        const std::string a = parola(), b = parola();
        for (size_t limite = 0; limite <= 3; ++limite)
            ASSERT_EQ(distanza_entro(a, b, limite), std::min(distanza(a, b), limite + 1))
                << '"' << a << "\" \"" << b << "\" " << limite;
    }
}

TEST(LoaderWarnings, NearestKeyword) {
    EXPECT_EQ(distanza("pendensa", "PENDENZA"), 1u);
    EXPECT_EQ(parola_vicina("aderensa", parole_treno), "aderenza");
    EXPECT_EQ(parola_vicina("curvx6", parole_profilo_linea), "curva");
    EXPECT_FALSE(parola_vicina("galleria", parole_profilo_linea));
}

}  // namespace
}  // namespace binario
