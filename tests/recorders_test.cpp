#include "compiler/recorders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "compiler/track_model.h"

namespace binario {
namespace {

// A model shaped like the built-in line: cells 0 to 822.
modello linea(int32_t ultima = 822) {
    modello m;
    m.ultima_cella = ultima;
    m.celle.assign(static_cast<size_t>(ultima) + 1, cella{});
    return m;
}

auto campi(const cella& c) {
    return std::tie(c.evento, c.dato1, c.dato2, c.dato3, c.dato4, c.tempo, c.marca, c.galleria,
                    c.velocita, c.pendenza, c.aderenza);
}

bool stesse_celle(const std::vector<cella>& a, const std::vector<cella>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (campi(a[i]) != campi(b[i])) return false;
    }
    return true;
}

struct segnale {
    int32_t sx = 0, s1 = 0, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0, d3 = 0, tempo = 0;
};

bool registra(modello& m, int32_t posizione, segnale& s) {
    return memo_segnale(m, posizione, s.sx, s.s1, s.s2, s.s3, s.rapp, s.dx, s.d1, s.d2, s.d3,
                        s.tempo);
}

struct rallentamento {
    int32_t v = 15, l = 100, f_tt = 1, f_ta = 1, d_v = 15;
};

bool registra(modello& m, int32_t x, rallentamento& r) {
    return memo_rallentamento(m, x, r.v, r.l, r.f_tt, r.f_ta, r.d_v);
}

struct tabellone {
    int32_t vas = 0, vbs = 0, vcs = 0, strisces = 0, vad = 0, vbd = 0, vcd = 0, strisced = 0;
};

bool registra(modello& m, int32_t posizione, tabellone& t) {
    return memo_indicatori_v_max(m, posizione, t.vas, t.vbs, t.vcs, t.strisces, t.vad, t.vbd, t.vcd,
                                 t.strisced);
}

bool galleria(modello& m, int32_t inizio, int32_t fine, int32_t& tipo) {
    return memo_montagna(m, inizio, fine, tipo);
}

// The refusal left the error state and one diagnostic with this number and chainage.
void rifiutato(const modello& m, int32_t numero, int32_t progressiva) {
    EXPECT_EQ(m.errore_numero, numero);
    EXPECT_EQ(m.errore_progressiva, progressiva);
    ASSERT_EQ(m.diagnostiche.size(), 1u);
    EXPECT_EQ(m.diagnostiche[0].numero, numero);
    EXPECT_EQ(m.diagnostiche[0].progressiva, progressiva);
    EXPECT_FALSE(m.diagnostiche[0].messaggio.empty());
}

TEST(RecorderCellTest, CellOfPositionRoundsHalvesToEven) {
    const std::vector<std::pair<int64_t, int64_t>> casi{
        {0, 1},       {25, 2},  {75, 2},  {125, 4},   {49, 2},
        {12100, 243}, {-25, 0}, {-75, 0}, {-100, -1}, {34100, 683},
    };
    for (const auto& [p, cella_attesa] : casi) {
        EXPECT_EQ(cella_evento(p), cella_attesa) << "p = " << p;
    }
}

// ---- signals ----

TEST(RecorderSignalTest, BuiltInSignalAt12100) {
    modello m = linea();
    segnale s;
    s.sx = 1;
    s.s1 = 5;
    s.s2 = 1;
    ASSERT_TRUE(registra(m, 12100, s));
    const cella& c = m.celle[243];
    EXPECT_EQ(c.evento, 1);
    EXPECT_EQ(c.dato1, 50);
    EXPECT_EQ(c.dato2, 10);
    EXPECT_EQ(c.dato3, 0);
    EXPECT_EQ(c.dato4, 3);
    EXPECT_EQ(c.tempo, 0);
    EXPECT_EQ(m.celle[241].marca, 31);
    EXPECT_EQ(m.celle[239].marca, 32);
    EXPECT_EQ(m.celle[237].marca, 33);
    EXPECT_EQ(m.celle[235].marca, 34);
    EXPECT_EQ(m.celle[242].marca, 0);
    EXPECT_EQ(m.celle[233].marca, 0);
    EXPECT_EQ(m.errore_numero, 0);
    EXPECT_TRUE(m.diagnostiche.empty());
}

TEST(RecorderSignalTest, AllFieldsAndNarrowing) {
    modello m = linea();
    // Marks overwrite whatever the approach cells held, events included.
    m.celle[99].evento = 6;
    m.celle[99].marca = 7;
    segnale s{.sx = 9,
              .s1 = 4000,
              .s2 = 3,
              .s3 = -2,
              .rapp = 2,
              .dx = 1,
              .d1 = 7,
              .d2 = 8,
              .d3 = 9,
              .tempo = 0};
    ASSERT_TRUE(registra(m, 5000, s));  // cell 101
    const cella& c = m.celle[101];
    EXPECT_EQ(c.dato1, static_cast<int16_t>(40007));  // low 16 bits
    EXPECT_EQ(c.dato2, 38);
    EXPECT_EQ(c.dato3, -11);
    EXPECT_EQ(c.dato4, 48);
    // (9 * 3 + 1) * 10 + j = 281 + ... keeps its low 8 bits.
    EXPECT_EQ(m.celle[99].marca, static_cast<uint8_t>(281));
    EXPECT_EQ(m.celle[97].marca, static_cast<uint8_t>(282));
    EXPECT_EQ(m.celle[95].marca, static_cast<uint8_t>(283));
    EXPECT_EQ(m.celle[93].marca, static_cast<uint8_t>(284));
    EXPECT_EQ(m.celle[99].evento, 6);
    EXPECT_EQ(m.celle[98].marca, 0);
}

TEST(RecorderSignalTest, TimeIsRaisedAndStoredOnlyForSx2) {
    struct caso {
        int32_t sx, tempo, cella_tempo, tempo_chiamante;
    };
    const std::vector<caso> casi{
        {2, 255, 255, 255}, {1, 250, 0, 250},   {2, 50, 101, 101},  {2, 0, 0, 0},
        {2, 1, 101, 101},   {2, 100, 101, 101}, {2, 101, 101, 101}, {1, 50, 0, 101},
        {2, -5, 251, -5},   {2, 300, 44, 300},
    };
    for (const caso& k : casi) {
        modello m = linea();
        segnale s;
        s.sx = k.sx;
        s.tempo = k.tempo;
        ASSERT_TRUE(registra(m, 16200, s));
        EXPECT_EQ(m.celle[325].tempo, k.cella_tempo) << "sx " << k.sx << " tempo " << k.tempo;
        EXPECT_EQ(s.tempo, k.tempo_chiamante) << "sx " << k.sx << " tempo " << k.tempo;
    }
}

TEST(RecorderSignalTest, TakesTunnelMarkCellButNotOccupiedCell) {
    modello m = linea();
    m.celle[243].evento = 11;
    segnale s;
    s.sx = 1;
    EXPECT_TRUE(registra(m, 12100, s));
    EXPECT_EQ(m.celle[243].evento, 1);

    // A second signal on the same cell is refused; nothing changes, tempo included.
    const std::vector<cella> prima = m.celle;
    segnale altro;
    altro.sx = 2;
    altro.tempo = 50;
    EXPECT_FALSE(registra(m, 12110, altro));
    rifiutato(m, 16, 12110);
    EXPECT_NE(m.diagnostiche[0].messaggio.find("243"), std::string::npos);
    EXPECT_TRUE(stesse_celle(m.celle, prima));
    EXPECT_EQ(altro.tempo, 50);
}

TEST(RecorderSignalTest, SignalCellOutsideTheLineIsRefused) {
    for (int32_t posizione : {-100, 41100, 2000000000}) {  // cells -1, 823, beyond
        modello m = linea();
        segnale s;
        s.sx = 1;
        EXPECT_FALSE(registra(m, posizione, s)) << posizione;
        rifiutato(m, 25, posizione);
        EXPECT_NE(m.diagnostiche[0].messaggio.find("outside"), std::string::npos);
        EXPECT_TRUE(stesse_celle(m.celle, linea().celle)) << posizione;
    }
    modello m = linea();
    segnale s;
    EXPECT_TRUE(registra(m, 41050, s));  // cell 822, the last one
    EXPECT_EQ(m.celle[822].evento, 1);
}

TEST(RecorderSignalTest, ApproachMarksBeforeTheLineAreSkipped) {
    // Cell 5: marks on 3 and 1 are written, -1 and -3 are not.
    modello m = linea();
    segnale s;
    s.sx = 1;
    ASSERT_TRUE(registra(m, 200, s));
    EXPECT_EQ(m.celle[5].evento, 1);
    EXPECT_EQ(m.celle[3].marca, 31);
    EXPECT_EQ(m.celle[1].marca, 32);
    EXPECT_EQ(m.errore_numero, 0);

    // Cell 1 (chainage 0): no mark fits, the signal is still recorded.
    modello n = linea();
    segnale t;
    t.sx = 1;
    ASSERT_TRUE(registra(n, 0, t));
    EXPECT_EQ(n.celle[1].evento, 1);
    for (const cella& c : n.celle) EXPECT_EQ(c.marca, 0);
}

// ---- speed boards ----

TEST(RecorderBoardTest, BuiltInBoardAndRightHandValues) {
    modello m = linea();
    tabellone t{.vas = 75, .vbs = 75, .vcs = 75};
    ASSERT_TRUE(registra(m, 550, t));
    const cella& c = m.celle[12];
    EXPECT_EQ(c.evento, 6);
    EXPECT_EQ(c.dato1, 1500);
    EXPECT_EQ(c.dato2, 1500);
    EXPECT_EQ(c.dato3, 1500);
    EXPECT_EQ(c.dato4, 0);

    tabellone d{.vas = 75,
                .vbs = 60,
                .vcs = 0,
                .strisces = 2,
                .vad = 70,
                .vbd = 33,
                .vcd = 12,
                .strisced = 3};
    ASSERT_TRUE(registra(m, 1000, d));
    const cella& e = m.celle[21];
    EXPECT_EQ(e.dato1, 1514);
    EXPECT_EQ(e.dato2, 1207);  // 1200 + 6.6 rounds up
    EXPECT_EQ(e.dato3, 2);     // 2.4 rounds down
    EXPECT_EQ(e.dato4, 23);
}

TEST(RecorderBoardTest, BoardOnSignalIsRefusedOnTunnelMarkAccepted) {
    modello m = linea();
    m.celle[40].evento = 11;
    tabellone t{.vas = 50};
    EXPECT_TRUE(registra(m, 1950, t));
    EXPECT_EQ(m.celle[40].evento, 6);

    segnale s;
    ASSERT_TRUE(registra(m, 12100, s));
    const std::vector<cella> prima = m.celle;
    EXPECT_FALSE(registra(m, 12100, t));
    rifiutato(m, 21, 12100);
    EXPECT_TRUE(stesse_celle(m.celle, prima));
}

TEST(RecorderBoardTest, BoardOutsideTheLineOrValueTooWideIsRefused) {
    struct caso {
        int32_t posizione, vas, vad;
        int cella_attesa;  // -1: refused with 25
    };
    const std::vector<caso> casi{
        {-60, 50, 0, 0},        // -0.2 rounds into cell 0
        {-100, 50, 0, -1},      // cell -1
        {41050, 50, 0, 822},    // the last cell
        {41100, 50, 0, -1},     // cell 823
        {550, 1639, 0, -1},     // 32780
        {550, -1639, 0, -1},    // -32780
        {550, 1638, 35, 12},    // 32767
        {550, 1638, 40, -1},    // 32768
        {550, -1638, -40, 12},  // -32768
        {550, 0, 200000, -1},   // 40000 from the right-hand value alone
    };
    for (const caso& k : casi) {
        modello m = linea();
        tabellone t{.vas = k.vas, .vbs = 1, .vcs = 1, .vad = k.vad};
        const bool fatto = registra(m, k.posizione, t);
        EXPECT_EQ(fatto, k.cella_attesa >= 0) << k.posizione << " " << k.vas << " " << k.vad;
        if (k.cella_attesa >= 0) {
            const cella& c = m.celle[static_cast<size_t>(k.cella_attesa)];
            EXPECT_EQ(m.errore_numero, 0);
            EXPECT_EQ(c.evento, 6);
            EXPECT_EQ(c.dato1, k.vas * 20 + k.vad / 5);
            EXPECT_EQ(c.dato2, 20);
        } else {
            rifiutato(m, 25, k.posizione);
            EXPECT_TRUE(stesse_celle(m.celle, linea().celle));
        }
    }
}

// ---- slowdowns ----

TEST(RecorderSlowdownTest, BuiltInSlowdownAt25500) {
    modello m = linea();
    rallentamento r;
    ASSERT_TRUE(registra(m, 25500, r));
    const cella& w = m.celle[487];
    EXPECT_EQ(w.evento, 4);
    EXPECT_EQ(w.dato1, 15);
    EXPECT_EQ(w.dato2, 15);
    EXPECT_EQ(w.dato3, 0);
    for (int c : {511, 513}) {
        EXPECT_EQ(m.celle[c].dato1, 15) << c;
        EXPECT_EQ(m.celle[c].dato2, 15) << c;
        EXPECT_EQ(m.celle[c].dato3, 1) << c;
    }
    EXPECT_EQ(m.celle[511].evento, 3);
    EXPECT_EQ(m.celle[513].evento, 2);
    EXPECT_EQ(m.celle[512].evento, 0);
    for (int j = 0; j < 4; ++j) {
        const cella& c = m.celle[486 - j];
        EXPECT_EQ(c.evento, 5) << j;
        EXPECT_EQ(c.dato1, j + 1) << j;
        EXPECT_EQ(c.dato2, j + 1) << j;
    }
    EXPECT_EQ(m.celle[482].evento, 0);
}

TEST(RecorderSlowdownTest, WarningBoardOnlyAbove1500AndApproachOnlyWithFta) {
    {
        modello m = linea();
        rallentamento r;
        ASSERT_TRUE(registra(m, 1500, r));
        EXPECT_EQ(m.celle[31].evento, 3);
        EXPECT_EQ(m.celle[33].evento, 2);
        for (int c = 0; c < 31; ++c) EXPECT_EQ(m.celle[c].evento, 0) << c;
    }
    {
        modello m = linea();
        rallentamento r;
        ASSERT_TRUE(registra(m, 1550, r));
        EXPECT_EQ(m.celle[8].evento, 4);
        for (int c : {7, 6, 5, 4}) EXPECT_EQ(m.celle[c].evento, 5) << c;
        EXPECT_EQ(m.celle[7].dato1, 1);
        EXPECT_EQ(m.celle[4].dato1, 4);
    }
    {
        // No approach steps without f_ta; no dato2 without d_v.
        modello m = linea();
        rallentamento r{.v = 30, .l = 200, .f_tt = 0, .f_ta = 0, .d_v = 0};
        ASSERT_TRUE(registra(m, 5000, r));
        EXPECT_EQ(m.celle[77].evento, 4);
        EXPECT_EQ(m.celle[77].dato1, 30);
        EXPECT_EQ(m.celle[101].evento, 3);
        EXPECT_EQ(m.celle[105].evento, 2);
        EXPECT_EQ(m.celle[101].dato2, 0);
        EXPECT_EQ(m.celle[105].dato2, 0);
        for (int c = 70; c < 77; ++c) EXPECT_EQ(m.celle[c].evento, 0) << c;
    }
    {
        // Approach steps without d_v carry their rank in dato1 only.
        modello m = linea();
        rallentamento r{.v = 30, .l = 200, .f_tt = 0, .f_ta = 1, .d_v = 0};
        ASSERT_TRUE(registra(m, 5000, r));
        EXPECT_EQ(m.celle[76].dato1, 1);
        EXPECT_EQ(m.celle[76].dato2, 0);
    }
}

TEST(RecorderSlowdownTest, StartAndEndInOneCellLeaveTheStart) {
    modello m = linea();
    rallentamento r{.v = 40, .l = 10, .f_tt = 2, .f_ta = 0, .d_v = 0};
    ASSERT_TRUE(registra(m, 5000, r));
    EXPECT_EQ(m.celle[101].evento, 3);
    EXPECT_EQ(m.celle[101].dato1, 40);
    EXPECT_EQ(m.celle[101].dato3, 2);
}

TEST(RecorderSlowdownTest, OccupiedCellsAreRefused) {
    struct caso {
        int cella_occupata;
        int32_t numero;
        bool scritti;  // boards written before the refusal
    };
    // x 25500: W 487, S 511, E 513, approach steps 486 to 483.
    const std::vector<caso> casi{
        {487, 17, false}, {511, 18, false}, {513, 19, false}, {486, 20, true}, {483, 20, true},
    };
    for (const caso& k : casi) {
        modello m = linea();
        m.celle[static_cast<size_t>(k.cella_occupata)].evento = 1;
        const std::vector<cella> prima = m.celle;
        rallentamento r;
        EXPECT_FALSE(registra(m, 25500, r)) << k.cella_occupata;
        rifiutato(m, k.numero, 25500);
        EXPECT_NE(m.diagnostiche[0].messaggio.find(std::to_string(k.cella_occupata)),
                  std::string::npos);
        if (k.scritti) {
            EXPECT_EQ(m.celle[487].evento, 4);
            EXPECT_EQ(m.celle[511].evento, 3);
            EXPECT_EQ(m.celle[513].evento, 2);
            for (int c = 483; c <= 486; ++c) {
                if (c != k.cella_occupata) {
                    EXPECT_EQ(m.celle[c].evento, 0) << c;
                }
            }
        } else {
            EXPECT_TRUE(stesse_celle(m.celle, prima)) << k.cella_occupata;
        }
    }
    // Tunnel marks do not stand in the way.
    modello m = linea();
    for (int c : {487, 511, 513, 485}) m.celle[c].evento = 11;
    rallentamento r;
    EXPECT_TRUE(registra(m, 25500, r));
    EXPECT_EQ(m.celle[485].evento, 5);
}

TEST(RecorderSlowdownTest, CellsOutsideTheLineAreRefused) {
    struct caso {
        int32_t x, l;
    };
    const std::vector<caso> casi{
        {-100, 100},          // start cell -1
        {41000, 100},         // end cell 823
        {40000, 2000000000},  // end far beyond (no overflow)
        {100, -500},          // negative length: end cell -7
        {2000000000, 10},     // every cell beyond
    };
    for (const caso& k : casi) {
        modello m = linea();
        rallentamento r;
        r.l = k.l;
        EXPECT_FALSE(registra(m, k.x, r)) << k.x << " " << k.l;
        rifiutato(m, 25, k.x);
        EXPECT_NE(m.diagnostiche[0].messaggio.find("outside"), std::string::npos);
        EXPECT_TRUE(stesse_celle(m.celle, linea().celle)) << k.x << " " << k.l;
    }
    // The end in the last cell is still on the line.
    modello m = linea();
    rallentamento r;
    EXPECT_TRUE(registra(m, 40950, r));
    EXPECT_EQ(m.celle[822].evento, 2);
}

TEST(RecorderSlowdownTest, NarrowValuesKeepTheirLowBits) {
    modello m = linea();
    rallentamento r{.v = 65536 + 20, .l = 100, .f_tt = -1, .f_ta = 0, .d_v = 70000};
    ASSERT_TRUE(registra(m, 5000, r));
    EXPECT_EQ(m.celle[101].dato1, 20);
    EXPECT_EQ(m.celle[101].dato2, static_cast<int16_t>(70000));
    EXPECT_EQ(m.celle[101].dato3, -1);
    EXPECT_EQ(m.celle[77].dato1, 20);
}

// ---- tunnels ----

TEST(RecorderTunnelTest, CellRangeAndCount) {
    modello m = linea();
    int32_t tipo = 2;
    ASSERT_TRUE(galleria(m, 15800, 16100, tipo));
    for (int c = 315; c <= 322; ++c) {
        EXPECT_EQ(m.celle[c].galleria, (c >= 316 && c <= 321) ? 2 : 0) << c;
        EXPECT_EQ(m.celle[c].evento, 0) << c;
    }
    int32_t corto = 1;
    ASSERT_TRUE(galleria(m, 1000, 1020, corto));
    for (int c = 18; c <= 22; ++c) EXPECT_EQ(m.celle[c].galleria, 0) << c;
    EXPECT_EQ(m.numero_gallerie, 2);
    EXPECT_EQ(m.inizio_gallerie[2], 1000);
    EXPECT_EQ(m.fine_gallerie[2], 1020);
    EXPECT_EQ(m.inizio_gallerie[1], 15800);
    EXPECT_EQ(m.fine_gallerie[1], 16100);
    EXPECT_EQ(m.errore_numero, 0);
}

TEST(RecorderTunnelTest, FlaggedTunnelMarksEveryFourthFreeCell) {
    modello m = linea();
    m.celle[27].evento = 1;  // a signal keeps its cell
    int32_t tipo = 11;
    ASSERT_TRUE(galleria(m, 1000, 2000, tipo));
    EXPECT_EQ(tipo, 1);
    for (int c = 19; c <= 40; ++c) {
        EXPECT_EQ(m.celle[c].galleria, (c >= 20 && c <= 39) ? 1 : 0) << c;
        uint8_t atteso = 0;
        if (c == 27) {
            atteso = 1;
        } else if (c == 23 || c == 31 || c == 35 || c == 39) {
            atteso = 11;
        }
        EXPECT_EQ(m.celle[c].evento, atteso) << c;
    }
}

TEST(RecorderTunnelTest, GapToThePreviousTunnelGivesType3) {
    struct caso {
        int32_t inizio, tipo, tipo_dopo;
    };
    // The first tunnel ends at 2000.
    const std::vector<caso> casi{
        {2150, 2, 3}, {2151, 2, 2}, {1900, 5, 3}, {2100, 12, 3}, {2200, 12, 2},
    };
    for (const caso& k : casi) {
        modello m = linea();
        int32_t primo = 1;
        ASSERT_TRUE(galleria(m, 1000, 2000, primo));
        int32_t tipo = k.tipo;
        ASSERT_TRUE(galleria(m, k.inizio, k.inizio + 1000, tipo));
        EXPECT_EQ(tipo, k.tipo_dopo) << k.inizio << " " << k.tipo;
        const int prima = static_cast<int>(cella_evento(k.inizio)) - 1;
        EXPECT_EQ(m.celle[static_cast<size_t>(prima + 5)].galleria, k.tipo_dopo);
        // A flagged tunnel stays flagged when its type becomes 3.
        EXPECT_EQ(m.celle[static_cast<size_t>(prima + 3)].evento, k.tipo > 10 ? 11 : 0);
    }
}

TEST(RecorderTunnelTest, CellsOutsideTheLineAreSkippedButCounted) {
    modello m = linea();
    int32_t tipo = 14;
    // Cells -4 to 7: counts 4, 8, 12 fall on cells -1, 3, 7.
    ASSERT_TRUE(galleria(m, -200, 400, tipo));
    for (int c = 0; c <= 8; ++c) {
        EXPECT_EQ(m.celle[c].galleria, c <= 7 ? 4 : 0) << c;
        EXPECT_EQ(m.celle[c].evento, (c == 3 || c == 7) ? 11 : 0) << c;
    }
    // Cells 800 to 839 on a line that ends at 822: marks on 803, 807, ..., 819.
    int32_t lungo = 11;
    ASSERT_TRUE(galleria(m, 40000, 42000, lungo));
    for (int c = 799; c <= 822; ++c) {
        EXPECT_EQ(m.celle[c].galleria, c >= 800 ? 1 : 0) << c;
        EXPECT_EQ(m.celle[c].evento, (c >= 803 && (c - 803) % 4 == 0) ? 11 : 0) << c;
    }
    EXPECT_EQ(m.numero_gallerie, 2);
    EXPECT_EQ(m.inizio_gallerie[1], -200);
    EXPECT_EQ(m.fine_gallerie[2], 42000);
    EXPECT_EQ(m.errore_numero, 0);
    // A tunnel entirely beyond the line is recorded and writes nothing.
    int32_t fuori = 1;
    const std::vector<cella> prima = m.celle;
    ASSERT_TRUE(galleria(m, 2000000000, 2000001000, fuori));
    EXPECT_TRUE(stesse_celle(m.celle, prima));
    EXPECT_EQ(m.numero_gallerie, 3);
}

TEST(RecorderTunnelTest, The81stTunnelIsRefused) {
    modello m = linea();
    for (int32_t n = 0; n < 80; ++n) {
        int32_t tipo = 1;
        ASSERT_TRUE(galleria(m, n * 400, n * 400 + 100, tipo)) << n;
    }
    EXPECT_EQ(m.numero_gallerie, 80);
    EXPECT_EQ(m.inizio_gallerie[80], 79 * 400);
    const std::vector<cella> prima = m.celle;
    const auto inizi = m.inizio_gallerie;
    int32_t tipo = 12;
    EXPECT_FALSE(galleria(m, 35000, 36000, tipo));
    rifiutato(m, 25, 35000);
    EXPECT_NE(m.diagnostiche[0].messaggio.find("80 tunnels"), std::string::npos);
    EXPECT_EQ(m.numero_gallerie, 80);
    EXPECT_EQ(m.inizio_gallerie, inizi);
    EXPECT_TRUE(stesse_celle(m.celle, prima));
    EXPECT_EQ(tipo, 12);
}

// ---- chainage sort ----

TEST(ChainageSortTest, Cases) {
    using terna = std::array<int32_t, 3>;
    struct caso {
        std::array<terna, 3> prima, dopo;
    };
    const std::vector<caso> casi{
        // Largest first value leads; the +100 follows its row.
        {{{{1000, 50, 0}, {3000, 150, 1}, {2000, 100, 0}}},
         {{{3000, 250, 1}, {2000, 100, 0}, {1000, 50, 0}}}},
        // A shared largest first value clears everything.
        {{{{2000, 50, 0}, {2000, 100, 0}, {1000, 150, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
        {{{{5, 1, 1}, {5, 2, 1}, {5, 3, 1}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
        {{{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
        // Equal first values of the other two: the higher old row goes to row 82.
        {{{{1000, 1, 0}, {1000, 2, 0}, {3000, 3, 0}}},
         {{{3000, 3, 0}, {1000, 2, 0}, {1000, 1, 0}}}},
        {{{{3000, 1, 0}, {1000, 2, 0}, {1000, 3, 0}}},
         {{{3000, 1, 0}, {1000, 3, 0}, {1000, 2, 0}}}},
        {{{{1000, 1, 0}, {3000, 2, 0}, {1000, 3, 0}}},
         {{{3000, 2, 0}, {1000, 3, 0}, {1000, 1, 0}}}},
        // Already in order stays.
        {{{{3, 1, 0}, {2, 2, 1}, {1, 3, 0}}}, {{{3, 1, 0}, {2, 102, 1}, {1, 3, 0}}}},
        // First values summing to 0: arranged by the second values.
        {{{{0, 0, 0}, {0, 50, 1}, {0, 0, 0}}}, {{{0, 150, 1}, {0, 0, 0}, {0, 0, 0}}}},
        {{{{0, 10, 1}, {0, 20, 0}, {0, 30, 1}}}, {{{0, 130, 1}, {0, 20, 0}, {0, 110, 1}}}},
        {{{{0, 10, 0}, {0, 0, 0}, {0, -5, 1}}}, {{{0, 10, 0}, {0, 0, 0}, {0, 95, 1}}}},
        {{{{0, -10, 1}, {0, 0, 0}, {0, 0, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
        {{{{-5, 10, 0}, {5, 0, 0}, {0, 0, 0}}}, {{{-5, 10, 0}, {5, 0, 0}, {0, 0, 0}}}},
        // Only a third value of exactly 1 adds 100.
        {{{{3, 1, 2}, {2, 2, -1}, {1, 3, 1}}}, {{{3, 1, 2}, {2, 2, -1}, {1, 103, 1}}}},
    };
    for (size_t n = 0; n < casi.size(); ++n) {
        modello m;
        for (int r = 0; r < 3; ++r) {
            voce& v = m.tabella[static_cast<size_t>(81 + r)];
            v.valore1 = casi[n].prima[static_cast<size_t>(r)][0];
            v.valore2 = casi[n].prima[static_cast<size_t>(r)][1];
            v.valore3 = casi[n].prima[static_cast<size_t>(r)][2];
        }
        progressive_ordina(m);
        for (int r = 0; r < 3; ++r) {
            const voce& v = m.tabella[static_cast<size_t>(81 + r)];
            EXPECT_EQ((terna{v.valore1, v.valore2, v.valore3}),
                      casi[n].dopo[static_cast<size_t>(r)])
                << "case " << n << ", row " << 81 + r;
        }
    }
}

}  // namespace
}  // namespace binario
