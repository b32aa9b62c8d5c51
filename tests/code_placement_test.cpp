#include "compiler/code_placement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "compiler/track_model.h"

namespace binario {
namespace {

constexpr uint8_t segnale = 1, fine = 2, inizio = 3, avviso = 4, altro = 6, tunnel = 11,
                  codice = 12;

// A hand-made line of cells 0 to ultima with the given events.
modello linea(int32_t ultima, const std::map<int, uint8_t>& eventi) {
    modello m;
    m.ultima_cella = ultima;
    m.celle.assign(static_cast<size_t>(ultima) + 1, cella{});
    for (const auto& [c, e] : eventi) m.celle[static_cast<size_t>(c)].evento = e;
    return m;
}

void inizio_a(modello& m, int c, int16_t v) {
    m.celle[static_cast<size_t>(c)].evento = inizio;
    m.celle[static_cast<size_t>(c)].dato1 = v;
}

// Cells holding a code mark placed by the pass (dato1 180), in ascending order.
std::vector<int> marchi(const modello& m) {
    std::vector<int> r;
    for (size_t c = 0; c < m.celle.size(); ++c) {
        if (m.celle[c].evento == codice && m.celle[c].dato1 == 180)
            r.push_back(static_cast<int>(c));
    }
    return r;
}

void errore_atteso(const modello& m, int32_t numero, int32_t progressiva) {
    EXPECT_EQ(m.errore_numero, numero);
    EXPECT_EQ(m.errore_progressiva, progressiva);
    ASSERT_FALSE(m.diagnostiche.empty());
    EXPECT_EQ(m.diagnostiche.back().numero, numero);
    EXPECT_EQ(m.diagnostiche.back().progressiva, std::optional<int32_t>(progressiva));
    EXPECT_FALSE(m.diagnostiche.back().messaggio.empty());
}

TEST(PlacementMinimoTest, SmallerOfTwoFirstWhenEqual) {
    EXPECT_EQ(minimo(180, 120), 120);
    EXPECT_EQ(minimo(180, 270), 180);
    EXPECT_EQ(minimo(180, 180), 180);
    EXPECT_EQ(minimo(-5, 3), -5);
    EXPECT_EQ(minimo(3, -32768), -32768);
}

// Rule A: signals before a slowdown warning board.
TEST(PlacementWarningTest, SignalsBeforeTheBoard) {
    struct caso {
        std::string nome;
        std::map<int, uint8_t> eventi;
        std::vector<int> attesi;
    };
    const std::vector<caso> casi{
        {"signal 2 cells before the board: mark just before it",
         {{10, segnale}, {12, avviso}},
         {9}},
        {"cell before the signal taken: mark two cells before",
         {{9, altro}, {10, segnale}, {12, avviso}},
         {8}},
        {"tunnel marks are free cells", {{9, tunnel}, {10, segnale}, {12, avviso}}, {9}},
        {"board at 5, signal at 3 reaches cell 2; signal at 2 is not looked at",
         {{2, segnale}, {3, segnale}, {5, avviso}},
         {1}},
        {"two signals within 20 cells both get a mark",
         {{22, segnale}, {35, segnale}, {40, avviso}},
         {21, 34}},
        {"20 cells before is reached, 21 is not",
         {{19, segnale}, {20, segnale}, {40, avviso}},
         {18}},
        {"a board at cell 1 is visited, the last cell - 2 too",
         {{1, avviso}, {46, segnale}, {48, avviso}},
         {45}},
        {"a board at the last cell - 1 is not visited", {{46, segnale}, {49, avviso}}, {}},
    };
    for (const caso& k : casi) {
        modello m = linea(50, k.eventi);
        posiziona_codici(m);
        EXPECT_EQ(marchi(m), k.attesi) << k.nome;
        EXPECT_EQ(m.errore_numero, 0) << k.nome;
    }
}

TEST(PlacementWarningTest, ExistingCodeMarkTakesTheSmallerValue) {
    struct caso {
        int cella_codice;  // 9 (d - 1) or 8 (d - 2)
        int16_t prima, dopo;
    };
    const std::vector<caso> casi{{9, 120, 120}, {9, 270, 180}, {8, 120, 120}, {8, 270, 180}};
    for (const caso& k : casi) {
        // Signal at 10, board at 12; both cells before the signal are taken.
        modello m = linea(50, {{8, altro}, {9, altro}, {10, segnale}, {12, avviso}});
        m.celle[static_cast<size_t>(k.cella_codice)].evento = codice;
        m.celle[static_cast<size_t>(k.cella_codice)].dato1 = k.prima;
        posiziona_codici(m);
        EXPECT_EQ(m.celle[static_cast<size_t>(k.cella_codice)].dato1, k.dopo) << k.cella_codice;
        EXPECT_EQ(m.errore_numero, 0);
        const int l_altra = k.cella_codice == 9 ? 8 : 9;
        EXPECT_EQ(m.celle[static_cast<size_t>(l_altra)].evento, altro);
    }
    // Both are code marks: only the one just before the signal is lowered.
    modello m = linea(50, {{8, codice}, {9, codice}, {10, segnale}, {12, avviso}});
    m.celle[8].dato1 = 300;
    m.celle[9].dato1 = 300;
    posiziona_codici(m);
    EXPECT_EQ(m.celle[9].dato1, 180);
    EXPECT_EQ(m.celle[8].dato1, 300);
}

TEST(PlacementWarningTest, NoRoomBeforeTheSignalIsError11AndThePassGoesOn) {
    modello m = linea(
        60, {{8, altro}, {9, altro}, {10, segnale}, {12, avviso}, {30, segnale}, {32, avviso}});
    posiziona_codici(m);
    errore_atteso(m, 11, 500);
    EXPECT_EQ(marchi(m), std::vector<int>{29});
    EXPECT_EQ(m.celle[8].evento, altro);
    EXPECT_EQ(m.celle[9].evento, altro);
}

// Rule B.1: the three windows before a slowdown start.
TEST(PlacementStartTest, WindowsTriedByStartCell) {
    struct caso {
        int start;
        std::vector<int> attesi;
    };
    // v 110: no marks inside; the end cell right after the start.
    const std::vector<caso> casi{
        {7, {}}, {8, {3}}, {13, {8}}, {14, {3, 9}}, {20, {9, 15}}, {21, {3, 10, 16}},
    };
    for (const caso& k : casi) {
        modello m = linea(60, {{k.start + 1, fine}});
        inizio_a(m, k.start, 110);
        posiziona_codici(m);
        EXPECT_EQ(marchi(m), k.attesi) << "start " << k.start;
        EXPECT_EQ(m.errore_numero, 0);
    }
}

TEST(PlacementStartTest, WindowPrefersTheNearestFreeCell) {
    struct caso {
        std::map<int, uint8_t> eventi;
        std::vector<int> attesi;
    };
    // Start at 30: windows 25-23, 19-17, 12-10.
    const std::vector<caso> casi{
        {{}, {12, 19, 25}},
        {{{25, altro}}, {12, 19, 24}},
        {{{25, altro}, {24, codice}}, {12, 19, 23}},  // an existing code mark counts as taken
        {{{25, tunnel}, {19, tunnel}, {12, tunnel}}, {12, 19, 25}},
        {{{12, segnale}, {11, altro}, {19, altro}, {18, altro}}, {10, 17, 25}},
    };
    for (const caso& k : casi) {
        modello m = linea(60, k.eventi);
        m.celle[31].evento = fine;
        inizio_a(m, 30, 120);
        posiziona_codici(m);
        EXPECT_EQ(marchi(m), k.attesi);
        EXPECT_EQ(m.errore_numero, 0);
    }
}

TEST(PlacementStartTest, FullWindowIsError12AndTheOtherWindowsAreStillTried) {
    modello m = linea(60, {{23, altro}, {24, altro}, {25, altro}, {31, fine}});
    inizio_a(m, 30, 120);
    posiziona_codici(m);
    errore_atteso(m, 12, 1500);
    EXPECT_EQ(marchi(m), (std::vector<int>{12, 19}));
}

// Rule B.2: marks inside the slowdown.
TEST(PlacementInsideTest, MarksEveryEightCells) {
    struct caso {
        std::string nome;
        int16_t v;
        std::map<int, uint8_t> eventi;
        std::vector<int> attesi;  // marks after the start at 5 (no windows there)
    };
    // Start at 5, end at 25: 20 cells long.
    const std::vector<caso> casi{
        {"speed 60", 60, {}, {13, 21}},
        {"speed 109", 109, {}, {13, 21}},
        {"speed 110: none inside", 110, {}, {}},
        {"negative speed counts as below 110", -5, {}, {13, 21}},
        {"start + 8 taken: start + 7, then start + 15", 60, {{13, altro}}, {12, 20}},
        {"start + 8 and + 7 taken: start + 9, then start + 17",
         60,
         {{12, altro}, {13, altro}},
         {14, 22}},
        {"tunnel marks are taken over", 60, {{13, tunnel}, {21, tunnel}}, {13, 21}},
        {"an old code mark is taken", 60, {{13, codice}}, {12, 20}},
    };
    for (const caso& k : casi) {
        modello m = linea(60, k.eventi);
        m.celle[25].evento = fine;
        inizio_a(m, 5, k.v);
        posiziona_codici(m);
        EXPECT_EQ(marchi(m), k.attesi) << k.nome;
        EXPECT_EQ(m.errore_numero, 0) << k.nome;
    }
}

TEST(PlacementInsideTest, TheStepThatReachesTheEndCounts) {
    // End reached at the 8th step: the mark goes to the cell before it.
    modello m = linea(60, {{13, fine}});
    inizio_a(m, 5, 60);
    posiziona_codici(m);
    EXPECT_EQ(marchi(m), std::vector<int>{12});

    // End and the cell before taken: the mark goes past the end.
    modello n = linea(60, {{12, altro}, {13, fine}});
    inizio_a(n, 5, 60);
    posiziona_codici(n);
    EXPECT_EQ(marchi(n), std::vector<int>{14});
    EXPECT_EQ(n.errore_numero, 0);
}

TEST(PlacementInsideTest, NoFreeCellIsError13AndStopsTheMarksInside) {
    // Cells 12, 13, 14 taken: no mark at the 8th step and none after it.
    modello m = linea(60, {{12, altro}, {13, altro}, {14, altro}, {40, fine}});
    inizio_a(m, 5, 60);
    posiziona_codici(m);
    errore_atteso(m, 13, 650);
    EXPECT_TRUE(marchi(m).empty());
    EXPECT_EQ(m.diagnostiche.size(), 1u);
}

TEST(PlacementInsideTest, StartWithoutEndStopsAtTheLastCell) {
    // The walk reaches cell 20 (the last) and stops; no mark after the end either.
    modello m = linea(20, {{18, segnale}});
    inizio_a(m, 3, 60);
    posiziona_codici(m);
    EXPECT_EQ(marchi(m), (std::vector<int>{11, 19}));
    EXPECT_EQ(m.errore_numero, 0);

    // The 8th step on the last cell, taken with the cell before: k + 1 is not tried.
    modello n = linea(20, {{19, altro}, {20, altro}});
    inizio_a(n, 4, 60);
    posiziona_codici(n);
    errore_atteso(n, 13, 1000);
    EXPECT_EQ(marchi(n), std::vector<int>{12});
}

TEST(PlacementInsideTest, StartAndEndInOneCellWalksToTheNextEnd) {
    // The start at 5 took its own end cell; the walk runs on to the end at 30.
    modello m = linea(60, {{30, fine}});
    inizio_a(m, 5, 60);
    inizio_a(m, 20, 110);
    posiziona_codici(m);
    // From the start at 5: 13, 21, 29; the start at 20, visited later, adds its
    // near and middle windows 15 and 9.
    EXPECT_EQ(marchi(m), (std::vector<int>{9, 13, 15, 21, 29}));
}

// Rule B.3: the first signal after the end.
TEST(PlacementAfterEndTest, FirstSignalWithinTwelveCells) {
    struct caso {
        std::string nome;
        int16_t v;
        std::map<int, uint8_t> eventi;
        std::vector<int> attesi;
    };
    // Start at 5, end at 10 (no mark inside).
    const std::vector<caso> casi{
        {"12 cells past the end: found", 60, {{22, segnale}}, {21}},
        {"13 cells past the end: not found", 60, {{23, segnale}}, {}},
        {"only the first signal", 60, {{14, segnale}, {18, segnale}}, {13}},
        {"cell before taken: two before", 60, {{13, altro}, {14, segnale}}, {12}},
        {"speed 110: no mark after the end", 110, {{14, segnale}}, {}},
        {"signal right after the end: the end cell is taken, so the cell before it",
         60,
         {{11, segnale}},
         {9}},
    };
    for (const caso& k : casi) {
        modello m = linea(60, k.eventi);
        m.celle[10].evento = fine;
        inizio_a(m, 5, k.v);
        posiziona_codici(m);
        EXPECT_EQ(marchi(m), k.attesi) << k.nome;
        EXPECT_EQ(m.errore_numero, 0) << k.nome;
    }
}

TEST(PlacementAfterEndTest, SearchStopsAtTheLastCell) {
    // The end at 12 on a line of 14 cells: the search may look at 13 and 14 only.
    modello m = linea(14, {{12, fine}});
    inizio_a(m, 5, 60);
    posiziona_codici(m);
    EXPECT_EQ(marchi(m), std::vector<int>{});  // the end cell 12 was the 7th step
    EXPECT_EQ(m.errore_numero, 0);
}

TEST(PlacementAfterEndTest, BothCellsTakenIsError13AtTheEnd) {
    modello m = linea(60, {{10, fine}, {12, altro}, {13, altro}, {14, segnale}});
    inizio_a(m, 5, 60);
    posiziona_codici(m);
    errore_atteso(m, 13, 500);
    EXPECT_TRUE(marchi(m).empty());
}

TEST(PlacementTest, CodeMarkInCellOneFromTheNearWindow) {
    // A start at cell 8 puts its near-window mark as low as cell 1.
    modello m = linea(30, {{3, altro}, {2, altro}, {9, fine}});
    inizio_a(m, 8, 120);
    posiziona_codici(m);
    EXPECT_EQ(marchi(m), std::vector<int>{1});
    EXPECT_EQ(m.celle[1].dato1, 180);
}

}  // namespace
}  // namespace binario
