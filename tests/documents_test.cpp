#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_file_writer.h"
#include "documents/line_notes.h"
#include "documents/slowdown_order.h"
#include "documents/train_sheet.h"
#include "test_support.h"

namespace binario {
namespace {

struct riga_attesa {
    int numero;  // 1-based line number in the file
    std::string_view testo;
};

// Splits a file into its lines; every line must end with CR LF and no other CR or
// LF may appear.
std::vector<std::string> righe_del_file(const std::string& contenuto) {
    std::vector<std::string> righe;
    std::size_t inizio = 0;
    while (inizio < contenuto.size()) {
        std::size_t fine = contenuto.find("\r\n", inizio);
        if (fine == std::string::npos) {
            ADD_FAILURE() << "text after the last CR LF: " << contenuto.substr(inizio);
            break;
        }
        std::string riga = contenuto.substr(inizio, fine - inizio);
        EXPECT_EQ(riga.find_first_of("\r\n"), std::string::npos) << "stray CR or LF: " << riga;
        righe.push_back(riga);
        inizio = fine + 2;
    }
    return righe;
}

void controlla_righe(const std::vector<std::string>& righe, std::span<const riga_attesa> attese) {
    for (const riga_attesa& a : attese) {
        ASSERT_LE(static_cast<std::size_t>(a.numero), righe.size());
        EXPECT_EQ(righe[a.numero - 1], a.testo) << "line " << a.numero;
    }
}

using scrittore_documento = void (*)(const std::string&, const std::string&, const std::string&);
using tabella_documento = std::span<const std::string_view> (*)();

// Writes the document for the built-in scenario into an empty folder and returns
// the bytes of the one file that must appear there.
std::string scrivi_e_leggi(scrittore_documento scrittore, const std::string& nome) {
    test::cartella_temporanea dir;
    scrittore(dir.percorso(), "Lavena_Torre Alta", "A 1");
    EXPECT_EQ(test::elenco(dir.percorso()), std::vector<std::string>{nome});
    return test::leggi(dir.file(nome));
}

constexpr std::string_view sheet_blank_row =
    " |     |     |          |     |                            |                |     |";
constexpr std::string_view sheet_rule_row =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

// clang-format off
constexpr riga_attesa sheet_lines[] = {
    {1, ""},
    {2, "  ___________________                                               ______________"},
    {3, " |                   |                    SCHEDA                   |              |"},
    {4, " |   TRENO n. 1      |                   da: LAVENA F.S.           |    V=75 B    |"},
    {5, " |___________________|                    a: TORRE ALTA            |     75%      |"},
    {6, "                                                                   |______________|"},
    {7, "  ___________________                ___________________"},
    {8, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
    {9, " |       Accelerato  |              |      240 T        |"},
    {10, " |___________________|              |___________________|"},
    {11, ""},
    {12, "  ________________________________________________________________________________"},
    {13, " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |"},
    {14, " | Lim.|Marc.|          |  Rs |                            |                |     |"},
    {15, sheet_rule_row},
    {16, sheet_blank_row},
    {17, " | 30  | 30  |   0+000  |     | LAVENA F.S.                |         7.15   |     |"},
    {19, " | 75  | 70  |   0+551  |     |                            |                |     |"},
    {21, " |     |     |   1+200  |     | LAVENA MARINA              |  7.18 / 7.19   |     |"},
    {23, " |     |     |  10+200  |     | CORIANO CERASOLO           | 7.29.30 / 7.30 |  2' |"},
    {25, " |     |     |  11+125  |     | Confine di Stato           |      7.31.30   |     |"},
    {27, " | 70  | 65  |  12+650  |     |                            |                |     |"},
    {29, " |     |     |  13+900  |     | DOGANA                     |  7.35 / 7.36   |     |"},
    {31, " |     |     |  17+000  |     | SERRAVALLE                 |  7.41 / 7.42   |     |"},
    {33, " |     |     |  22+400  |     | DOMAGNANO MONTELUPO        | 7.53 / 7.53.30 |     |"},
    {35, " |     |     |  25+000  |     | VALDRAGONE                 | 7.59 / 7.59.30 |     |"},
    {37, " | 65  | 60  |  26+400  |     | Imbocco gall. Calintuffo   |                |     |"},
    {39, " |     |     |  28+300  |     | BORGO MAGGIORE             |  8.06 / 8.07   |     |"},
    {41, " |     | 30  |  31+100  |     | Segn. prot. Torre Alta     |                |     |"},
    {43, " | 30  |     |  31+900  |     | Dev. I.                    |                |     |"},
    {45, " |     |     |  32+200  |     | TORRE ALTA                 |  8.15          |     |"},
    {49, sheet_rule_row},
    {50, ""},
    {51, ""},
    {52, ""},
};
// clang-format on

TEST(DocumentTrainSheet, WritesTheFormLineByLine) {
    std::string testo = scrivi_e_leggi(dati_scheda, "Lavena_Torre Alta_A 1_scheda_treno.txt");
    EXPECT_EQ(testo.size(), 3905u);
    std::vector<std::string> righe = righe_del_file(testo);
    ASSERT_EQ(righe.size(), 52u);
    controlla_righe(righe, sheet_lines);
    // A blank row between every two data rows and three more before the closing rule.
    for (int n : {18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40, 42, 44, 46, 47, 48}) {
        EXPECT_EQ(righe[n - 1], sheet_blank_row) << "line " << n;
    }
    EXPECT_EQ(righe[7].size(), 64u);
    const std::string coda = std::string(sheet_rule_row) + "\r\n\r\n\r\n\r\n";
    ASSERT_GE(testo.size(), coda.size());
    EXPECT_EQ(testo.substr(testo.size() - coda.size()), coda);
}

constexpr std::string_view order_blank_row =
    " |   |                            |            |          |         |            |";
constexpr std::string_view order_rule_row =
    " |___|____________________________|____________|__________|_________|____________|";

// clang-format off
constexpr riga_attesa order_lines[] = {
    {1, "                             Modulo M. 3"},
    {2, "                           ORDINE DI RALLENTAMENTO"},
    {3, " ________________________________________________________________________________"},
    {4, "  Linea  LAVENA-TORRE ALTA"},
    {5, ""},
    {6, "  Si ordina al macchinista del treno A1  di effettuare i seguenti rallentamenti:"},
    {7, "  _______________________________________________________________________________"},
    {8, " |   |                            |Inizio dopo |          |         |            |"},
    {9, " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"},
    {10, " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |"},
    {11, order_rule_row},
    {12, order_blank_row},
    {13, " | 1 |   VALDRAGONE - BORGO MAGG. |    25+500  |   15     |   100   | - A -      |"},
    {38, order_rule_row},
    {39, ""},
    {40, "              Prescrizioni specifiche"},
    {41, " A - Da rispettare con tutto il treno (per i treni viaggiatori)"},
    {42, ""},
    {43, "  "},
};
// clang-format on

TEST(DocumentSlowdownOrder, WritesTheFormLineByLine) {
    std::string testo =
        scrivi_e_leggi(dati_rallentamenti, "Lavena_Torre Alta_A 1_rallentamenti.txt");
    EXPECT_EQ(testo.size(), 3088u);
    std::vector<std::string> righe = righe_del_file(testo);
    ASSERT_EQ(righe.size(), 43u);
    controlla_righe(righe, order_lines);
    for (int n = 14; n <= 37; ++n) EXPECT_EQ(righe[n - 1], order_blank_row) << "line " << n;
    EXPECT_TRUE(testo.ends_with("\r\n\r\n  \r\n"));
}

TEST(DocumentLineNotes, KeepsTheLayoutAndTheCodePage) {
    std::string testo = scrivi_e_leggi(dati_note, "Lavena_Torre Alta_A 1_note.txt");
    std::vector<std::string> righe = righe_del_file(testo);
    ASSERT_EQ(righe.size(), 42u);
    EXPECT_EQ(righe[0], "** Linea: LAVENA - TORRE ALTA  ** Treno: Accelerato 1 (anno 1932) **");
    for (int n : {2, 23, 36, 41}) EXPECT_EQ(righe[n - 1], "") << "line " << n;
    for (int n = 1; n <= 42; ++n) {
        EXPECT_LE(righe[n - 1].size(), 99u) << "line " << n;
        bool separatore = n == 2 || n == 23 || n == 36 || n == 41;
        if (!separatore) {
            EXPECT_FALSE(righe[n - 1].empty()) << "line " << n;
        }
    }
    EXPECT_EQ(righe[41].size(), 79u);
    EXPECT_NE(righe[41].find('@'), std::string::npos);
    EXPECT_TRUE(righe[41].ends_with(' '));

    int accentate = 0;
    for (unsigned char c : testo) {
        if (c < 0x80) continue;
        EXPECT_TRUE(c == 0xE0 || c == 0xE8 || c == 0xE9 || c == 0xF9)
            << "byte " << static_cast<int>(c);
        ++accentate;
    }
    EXPECT_GT(accentate, 0);
}

TEST(DocumentLineNotes, CarriesTheKeyFigures) {
    std::vector<std::string> righe = righe_del_file(componi_righe(righe_note()));
    ASSERT_EQ(righe.size(), 42u);
    // A block's lines joined as they stand: a line broken inside a sentence keeps
    // its trailing blank.
    auto blocco = [&](int da, int a) {
        std::string unito;
        for (int n = da; n <= a; ++n) unito += righe[n - 1];
        return unito;
    };
    std::string linea = blocco(3, 22);
    for (std::string_view cifra :
         {"950 mm", "1932", "3000 V", "32,2 km", "639 m", "3,87 m", "642,80 m", "17 gallerie",
          "367 m", "697 m", "615 m", "92 m", "502 m", "42 per mille", "1983", "2000"}) {
        EXPECT_NE(linea.find(cifra), std::string::npos) << cifra;
    }
    std::string treno = blocco(24, 35);
    for (std::string_view cifra :
         {"1932", "7.15", "10,200", "25,100", "15 km/h", "22,600", "via impedita"}) {
        EXPECT_NE(treno.find(cifra), std::string::npos) << cifra;
    }
    EXPECT_NE(blocco(37, 40).find("binario"), std::string::npos);
}

struct caso_documento {
    const char* nome;
    scrittore_documento scrittore;
    tabella_documento tabella;
    std::size_t righe;
    const char* suffisso;
};

class DocumentFiles : public ::testing::TestWithParam<caso_documento> {};

TEST_P(DocumentFiles, TableEndsAtTheMarker) {
    auto tabella = GetParam().tabella();
    ASSERT_EQ(tabella.size(), GetParam().righe + 1);
    EXPECT_EQ(tabella.back(), fine_del_file);
    EXPECT_EQ(std::count(tabella.begin(), tabella.end(), fine_del_file), 1);
}

TEST_P(DocumentFiles, ReplacesAnOlderLongerFileNamedFromLineAndTrain) {
    test::cartella_temporanea dir;
    const std::string nome = std::string("Linea_Di Prova_B 7_") + GetParam().suffisso;
    test::scrivi(dir.file(nome), std::string(20000, 'x') + "\r\n");
    GetParam().scrittore(dir.percorso(), "Linea_Di Prova", "B 7");
    EXPECT_EQ(test::elenco(dir.percorso()), std::vector<std::string>{nome});
    std::string testo = test::leggi(dir.file(nome));
    EXPECT_EQ(testo, componi_righe(GetParam().tabella()));
    EXPECT_EQ(righe_del_file(testo).size(), GetParam().righe);
    EXPECT_EQ(testo.find("riferimento"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, DocumentFiles,
    ::testing::Values(caso_documento{"scheda", dati_scheda, righe_scheda, 52, "scheda_treno.txt"},
                      caso_documento{"rallentamenti", dati_rallentamenti, righe_rallentamenti, 43,
                                     "rallentamenti.txt"},
                      caso_documento{"note", dati_note, righe_note, 42, "note.txt"}),
    [](const ::testing::TestParamInfo<caso_documento>& caso) { return caso.param.nome; });

TEST(DocumentSlowdownOrder, NamesTheTrainA1WhateverItsCode) {
    test::cartella_temporanea dir;
    dati_rallentamenti(dir.percorso(), "Lavena_Torre Alta", "B 7");
    std::vector<std::string> righe =
        righe_del_file(test::leggi(dir.file("Lavena_Torre Alta_B 7_rallentamenti.txt")));
    ASSERT_GE(righe.size(), 6u);
    EXPECT_EQ(righe[5],
              "  Si ordina al macchinista del treno A1  di effettuare i seguenti rallentamenti:");
}

}  // namespace
}  // namespace binario
