#include "formats/compiled_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/compiled_reader.h"

namespace binario {
namespace {

std::string byte(std::initializer_list<int> valori) {
    std::string s;
    for (int v : valori) s.push_back(static_cast<char>(v));
    return s;
}

// A plan filled the way the loader fills it: integers (0, 0) and (0, 1) at
// metres 0 and 1, doubles from metre 2 to L - 2 by the loader's step rule with
// curvature c over metres [inizio, inizio + lunghezza], the last two empty.
planimetria_metrica piano_come_il_caricatore(int32_t l, int32_t inizio = 0, int32_t lunghezza = 0,
                                             double c = 0.0) {
    planimetria_metrica p;
    p.dimensiona(l);
    p.assegna_intero(0, 0, 0);
    p.assegna_intero(0, 1, 0);
    p.assegna_intero(1, 0, 0);
    p.assegna_intero(1, 1, 1);
    for (int32_t t = 2; t <= l - 2; ++t) {
        const double dx = p.valore(t - 1, 0) - p.valore(t - 2, 0);
        const double dy = p.valore(t - 1, 1) - p.valore(t - 2, 1);
        const bool curva = t > inizio && t <= inizio + lunghezza;
        const double k = curva ? c : 0.0;
        p.assegna_reale(t, 0, p.valore(t - 1, 0) + (dx + k * dy));
        p.assegna_reale(t, 1, p.valore(t - 1, 1) + (dy - k * dx));
    }
    return p;
}

// ---- Table file -----------------------------------------------------------

TEST(CompiledFileTable, EmptyTableIs87RecordsOfZeros) {
    modello m;
    const std::string file = serializza_tabella(m);
    EXPECT_EQ(file, std::string(2958, '\0'));
}

TEST(CompiledFileTable, RecordIsWrittenFieldByFieldLittleEndian) {
    modello m;
    voce& v = m.tabella[85];
    v.genere = 0xAB;
    v.valore1 = 0x01020304;
    v.valore2 = -2;
    v.valore3 = 34100;
    v.stato = 7;
    v.testo = "Lavena_Torre Alta";
    v.intero1 = 610;
    v.intero2 = -1;
    v.intero3 = 7;
    v.intero4 = 0x1234;
    v.intero5 = std::numeric_limits<int16_t>::min();
    v.ottetto1 = 1;
    v.ottetto2 = 2;
    v.ottetto3 = 3;
    v.ottetto4 = 255;
    v.codice = -123456789;
    m.tabella[86].genere = 9;

    const std::string file = serializza_tabella(m);
    ASSERT_EQ(file.size(), 2958u + 17u);
    const std::string atteso = byte({0xAB, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x34,
                                     0x85, 0x00, 0x00, 0x07, 17, 0}) +
                               "Lavena_Torre Alta" +
                               byte({0x62, 0x02, 0xFF, 0xFF, 0x07, 0x00, 0x34, 0x12, 0x00, 0x80, 1,
                                     2, 3, 255, 0xEB, 0x32, 0xA4, 0xF8});
    ASSERT_EQ(atteso.size(), 51u);
    EXPECT_EQ(file.substr(85 * 34, 51), atteso);
    // The next record starts right after the text: no padding, no terminator.
    EXPECT_EQ(file[85 * 34 + 51], '\x09');
    EXPECT_EQ(file.substr(0, 85 * 34), std::string(85 * 34, '\0'));
}

TEST(CompiledFileTable, TextLengthIsBoundedBySixteenBits) {
    modello m;
    m.tabella[80].testo.assign(65535, 'a');
    EXPECT_EQ(serializza_tabella(m).size(), 2958u + 65535u);
    m.tabella[80].testo.push_back('a');
    EXPECT_THROW(serializza_tabella(m), std::length_error);
}

// ---- Cell file --------------------------------------------------------------

TEST(CompiledFileCells, FifteenBytesPerCell) {
    for (int32_t ultima : {0, 140, 240, 822}) {
        modello m;
        m.ultima_cella = ultima;
        m.celle.resize(static_cast<size_t>(ultima) + 1);
        EXPECT_EQ(serializza_celle(m).size(), 15u * (static_cast<size_t>(ultima) + 1)) << ultima;
    }
    modello m;
    m.ultima_cella = 240;
    m.celle.resize(241);
    EXPECT_EQ(serializza_celle(m).size(), 3615u);
}

TEST(CompiledFileCells, CellFieldsInOrderAtTheirOffset) {
    modello m;
    m.ultima_cella = 822;
    m.celle.resize(823);
    cella& segnale = m.celle[243];
    segnale.evento = 1;
    segnale.dato1 = 50;
    segnale.dato2 = 10;
    segnale.dato4 = 3;
    segnale.velocita = 15;
    segnale.pendenza = 112;
    segnale.aderenza = 98;
    cella& estremi = m.celle[822];
    estremi.evento = 255;
    estremi.dato1 = -1;
    estremi.dato2 = std::numeric_limits<int16_t>::min();
    estremi.dato3 = std::numeric_limits<int16_t>::max();
    estremi.dato4 = -300;
    estremi.tempo = 4;
    estremi.marca = 34;
    estremi.galleria = 2;
    estremi.velocita = 255;
    estremi.pendenza = 0;
    estremi.aderenza = 100;

    const std::string file = serializza_celle(m);
    ASSERT_EQ(file.size(), 12345u);
    EXPECT_EQ(file.substr(15 * 243, 15), byte({0x01, 0x32, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x03, 0x00,
                                               0x00, 0x00, 0x00, 0x0F, 0x70, 0x62}));
    EXPECT_EQ(file.substr(15 * 822, 15),
              byte({0xFF, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0xD4, 0xFE, 4, 34, 2, 0xFF, 0, 100}));
    EXPECT_EQ(file.substr(15 * 242, 15), std::string(15, '\0'));
}

// ---- Plan file --------------------------------------------------------------

TEST(CompiledFilePlan, UnassignedElementsAreTwoZeroBytes) {
    modello m;
    m.planimetria.dimensiona(7000);
    EXPECT_EQ(serializza_piano(m), std::string(2 * 7001 * 2, '\0'));
}

TEST(CompiledFilePlan, NeverDimensionedPlanGivesNoBytes) {
    modello m;
    EXPECT_EQ(serializza_piano(m), "");
}

TEST(CompiledFilePlan, LoaderShapedPlanSizeAndLayout) {
    for (int32_t l : {7000, 41100, 1007000}) {
        modello m;
        m.planimetria = piano_come_il_caricatore(l);
        const std::string file = serializza_piano(m);
        ASSERT_EQ(file.size(), 20u * static_cast<size_t>(l) - 36u) << l;
        // x of metres 0 and 1: int16 zero.
        EXPECT_EQ(file.substr(0, 8), byte({2, 0, 0, 0, 2, 0, 0, 0})) << l;
        // x of metre 2: a double tag and 0.0.
        EXPECT_EQ(file.substr(8, 10), byte({5, 0, 0, 0, 0, 0, 0, 0, 0, 0})) << l;
        // End of the x column: the two empty metres, then y of metres 0 and 1.
        const size_t fine_x = 8 + 10 * static_cast<size_t>(l - 3) + 4;
        EXPECT_EQ(file.substr(fine_x - 4, 12), byte({0, 0, 0, 0, 2, 0, 0, 0, 2, 0, 1, 0})) << l;
        // y of metre 2 is 2.0; the file ends with the two empty y elements.
        EXPECT_EQ(file.substr(fine_x + 8, 10), byte({5, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x40})) << l;
        EXPECT_EQ(file.substr(file.size() - 4), std::string(4, '\0')) << l;
    }
}

TEST(CompiledFilePlan, ValuesAreExactLittleEndianBytes) {
    modello m;
    m.planimetria.dimensiona(3);
    m.planimetria.assegna_intero(0, 0, -2);
    m.planimetria.assegna_reale(1, 0, 1.5);
    m.planimetria.assegna_reale(2, 0, -0.1);
    m.planimetria.assegna_intero(3, 0, std::numeric_limits<int16_t>::max());
    const std::string file = serializza_piano(m);
    const std::string x = byte({2, 0, 0xFE, 0xFF}) + byte({5, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}) +
                          byte({5, 0, 0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0xBF}) +
                          byte({2, 0, 0xFF, 0x7F});
    EXPECT_EQ(file, x + std::string(8, '\0'));
}

TEST(CompiledFilePlan, IntegerElementOutsideSixteenBitsIsRefused) {
    modello m;
    m.planimetria.dimensiona(0);
    m.planimetria.assegna_intero(0, 0, 1);
    m.planimetria.valori[0] = 40000.0;
    EXPECT_THROW(serializza_piano(m), std::logic_error);
}

// ---- Decoders -----------------------------------------------------------------

modello modello_ricco() {
    modello m;
    m.tabella[1].testo = "Lavena";
    m.tabella[1].valore3 = 1200;
    m.tabella[1].codice = -7;
    m.tabella[1].intero5 = -3;
    m.tabella[1].ottetto4 = 200;
    m.tabella[80].testo = "caff\xE8 \x80";
    m.tabella[85].testo = "Lavena_Torre Alta";
    m.tabella[85].intero1 = 610;
    m.tabella[86].valore2 = std::numeric_limits<int32_t>::min();
    m.celle.resize(5);
    m.celle[1].dato1 = 5121;
    m.celle[2] = {255, -1, -32768, 32767, 3, 1, 2, 3, 4, 5, 6};
    m.planimetria.dimensiona(4);
    m.planimetria.assegna_intero(0, 0, -32768);
    m.planimetria.assegna_reale(1, 0, -0.0);
    m.planimetria.assegna_reale(2, 1, std::numeric_limits<double>::quiet_NaN());
    m.planimetria.assegna_reale(3, 1, std::numeric_limits<double>::infinity());
    m.planimetria.assegna_reale(4, 0, 1e300);
    return m;
}

TEST(CompiledFileReader, DecodingAndWritingAgainGivesTheSameBytes) {
    const modello m = modello_ricco();
    const std::string tabella = serializza_tabella(m);
    const std::string celle = serializza_celle(m);
    const std::string piano = serializza_piano(m);

    auto t = decodifica_tabella(tabella);
    auto c = decodifica_celle(celle);
    auto p = decodifica_piano(piano);
    ASSERT_TRUE(t.valido()) << t.errore->motivo;
    ASSERT_TRUE(c.valido()) << c.errore->motivo;
    ASSERT_TRUE(p.valido()) << p.errore->motivo;

    EXPECT_EQ(t.dati[80].testo, "caff\xE8 \x80");
    EXPECT_EQ(t.dati[86].valore2, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(c.dati.size(), 5u);
    EXPECT_EQ(c.dati[2].dato2, -32768);
    EXPECT_EQ(c.dati[2].aderenza, 6);
    EXPECT_EQ(p.dati.ultimo_metro, 4);
    EXPECT_EQ(p.dati.tipo(0, 0), tipo_valore::intero);
    EXPECT_EQ(p.dati.valore(0, 0), -32768.0);
    EXPECT_TRUE(std::signbit(p.dati.valore(1, 0)));
    EXPECT_TRUE(std::isnan(p.dati.valore(2, 1)));

    modello copia;
    copia.tabella = t.dati;
    copia.celle = c.dati;
    copia.planimetria = p.dati;
    EXPECT_EQ(serializza_tabella(copia), tabella);
    EXPECT_EQ(serializza_celle(copia), celle);
    EXPECT_EQ(serializza_piano(copia), piano);
}

TEST(CompiledFileReader, PlanColumnsSplitInHalves) {
    // x: int 5, empty; y: 1.5, int -1.
    const std::string file =
        byte({2, 0, 5, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 2, 0, 0xFF, 0xFF});
    auto p = decodifica_piano(file);
    ASSERT_TRUE(p.valido()) << p.errore->motivo;
    ASSERT_EQ(p.dati.ultimo_metro, 1);
    EXPECT_EQ(p.dati.tipo(0, 0), tipo_valore::intero);
    EXPECT_EQ(p.dati.valore(0, 0), 5.0);
    EXPECT_EQ(p.dati.tipo(1, 0), tipo_valore::vuoto);
    EXPECT_EQ(p.dati.tipo(0, 1), tipo_valore::reale);
    EXPECT_EQ(p.dati.valore(0, 1), 1.5);
    EXPECT_EQ(p.dati.tipo(1, 1), tipo_valore::intero);
    EXPECT_EQ(p.dati.valore(1, 1), -1.0);
}

struct caso_rifiuto {
    std::string nome;
    std::string dati;
    size_t offset;
    std::string motivo;  // part of the message
};

void verifica_rifiuti(const std::vector<caso_rifiuto>& casi, auto decodifica) {
    for (const caso_rifiuto& k : casi) {
        auto esito = decodifica(k.dati);
        ASSERT_FALSE(esito.valido()) << k.nome;
        EXPECT_EQ(esito.errore->offset, k.offset) << k.nome << ": " << esito.errore->motivo;
        EXPECT_NE(esito.errore->motivo.find(k.motivo), std::string::npos)
            << k.nome << ": " << esito.errore->motivo;
    }
}

TEST(CompiledFileReader, MalformedTableIsRefusedAtTheRightByte) {
    modello m;
    m.tabella[0].testo = "Lavena_Torre Alta";
    const std::string buona = serializza_tabella(m);
    verifica_rifiuti(
        {
            {"empty", "", 0, "row 0: field genere"},
            {"cut inside valore1", buona.substr(0, 3), 1, "row 0: field valore1 needs 4 bytes, 2"},
            {"cut inside the length", buona.substr(0, 15), 14, "length of testo"},
            {"cut inside the text", buona.substr(0, 21), 16, "testo of 17 bytes, only 5 left"},
            {"cut in the last record", buona.substr(0, buona.size() - 1), buona.size() - 4,
             "row 86: field codice"},
            {"a byte too many", buona + "x", buona.size(), "1 trailing bytes"},
        },
        decodifica_tabella);
    EXPECT_TRUE(decodifica_tabella(buona).valido());
}

TEST(CompiledFileReader, MalformedCellFileIsRefusedAtTheRightByte) {
    verifica_rifiuti(
        {
            {"empty", "", 0, "at least one cell"},
            {"less than a cell", std::string(14, '\0'), 0, "cell 0 has only 14 bytes"},
            {"two cells and a byte", std::string(31, '\0'), 30, "cell 2 has only 1 bytes"},
        },
        decodifica_celle);
    EXPECT_TRUE(decodifica_celle(std::string(30, '\0')).valido());
}

TEST(CompiledFileReader, MalformedPlanIsRefusedAtTheRightByte) {
    const std::string due_interi = byte({2, 0, 0, 0, 2, 0, 0, 0});
    verifica_rifiuti(
        {
            {"empty", "", 0, "empty file"},
            {"bad tag", due_interi + byte({0, 0, 7, 0, 0, 0}), 10, "unknown type tag 7"},
            {"tag cut in half", due_interi + byte({5}), 8, "type tag needs 2 bytes"},
            {"double cut short", due_interi + byte({5, 0, 1, 2, 3}), 10,
             "tag 5 needs 8 value bytes, 3 left"},
            {"int16 cut short", byte({2, 0, 1}), 2, "tag 2 needs 2 value bytes, 1 left"},
            {"odd count", due_interi + byte({0, 0}), 10, "3 elements, an odd number"},
        },
        decodifica_piano);
}

// ---- Plan summary and text conversion ---------------------------------------

TEST(CompiledFileReader, PlanSummaryCountsAndTurning) {
    // A degree-6 curve (c = 0.003 per metre) over 50 m: each curved step turns
    // the heading by atan(0.003).
    const double svolta = 50 * std::atan(0.003);
    struct caso {
        double c;
        double netta;
    };
    for (caso k : {caso{0.003, svolta}, caso{-0.003, -svolta}, caso{0.0, 0.0}}) {
        const planimetria_metrica p = piano_come_il_caricatore(1000, 100, 50, k.c);
        const riassunto_piano r = riassumi_piano(p);
        EXPECT_EQ(r.metri, 1001u);
        EXPECT_EQ(r.interi, 4u);
        EXPECT_EQ(r.reali, 2u * 997u);
        EXPECT_EQ(r.vuoti, 4u);
        EXPECT_NEAR(r.svolta_netta, k.netta, 1e-9) << k.c;
        EXPECT_NEAR(r.svolta_totale, std::abs(k.netta), 1e-9) << k.c;
        ASSERT_TRUE(r.y_min && r.y_max && r.x_min && r.x_max);
        EXPECT_EQ(*r.y_min, 0.0);
        EXPECT_EQ(*r.y_max, p.valore(998, 1));
        // A right turn moves towards +x, a left one towards -x.
        EXPECT_EQ(*r.x_max > 0.0, k.c > 0) << k.c;
        EXPECT_EQ(*r.x_min < 0.0, k.c < 0) << k.c;
    }
}

TEST(CompiledFileReader, PlanSummarySkipsGapsAndNonFiniteValues) {
    // A straight line along +y with a kink at metre 5 (right pi/4, left pi/2,
    // right pi/4), a repeated point at metre 15 and a NaN at metre 10.
    planimetria_metrica p = piano_come_il_caricatore(20);
    p.assegna_reale(5, 0, 1.0);
    p.assegna_reale(10, 0, std::numeric_limits<double>::quiet_NaN());
    p.assegna_reale(15, 1, 14.0);
    const riassunto_piano r = riassumi_piano(p);
    EXPECT_EQ(r.non_finiti, 1u);
    EXPECT_EQ(*r.x_min, 0.0);
    EXPECT_EQ(*r.x_max, 1.0);
    EXPECT_EQ(*r.y_max, 18.0);
    EXPECT_NEAR(r.svolta_netta, 0.0, 1e-12);
    EXPECT_NEAR(r.svolta_totale, std::numbers::pi, 1e-12);

    EXPECT_EQ(riassumi_piano(planimetria_metrica{}).metri, 0u);
}

TEST(CompiledFileReader, PlanSummaryTurnsAcrossTheMinusXHeading) {
    // Heading along -x, a left kink and back: the headings jump between +pi
    // and -pi, the turns do not.
    planimetria_metrica p;
    p.dimensiona(3);
    const double punti[4][2] = {{0, 0}, {-1, 0}, {-2, -0.1}, {-3, -0.1}};
    for (int32_t m = 0; m <= 3; ++m)
        for (int c = 0; c < 2; ++c) p.assegna_reale(m, c, punti[m][c]);
    const riassunto_piano r = riassumi_piano(p);
    EXPECT_NEAR(r.svolta_netta, 0.0, 1e-12);
    EXPECT_NEAR(r.svolta_totale, 2 * std::atan(0.1), 1e-12);
}

}  // namespace
}  // namespace binario
