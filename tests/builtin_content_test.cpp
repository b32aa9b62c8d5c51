#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_names.h"
#include "common/text_file_writer.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "test_support.h"

namespace binario {
namespace {

constexpr std::string_view nome_linea = "Lavena_Torre Alta";
constexpr std::string_view codice_treno = "A 1";

// Splits the bytes of a written file into its lines; every line must end with CR LF
// and no CR or LF may stand anywhere else.
std::vector<std::string> righe_scritte(const std::string& testo) {
    std::vector<std::string> righe;
    std::size_t inizio = 0;
    while (inizio < testo.size()) {
        std::size_t fine = testo.find("\r\n", inizio);
        if (fine == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF: " << testo.substr(inizio);
            break;
        }
        std::string riga = testo.substr(inizio, fine - inizio);
        EXPECT_EQ(riga.find_first_of("\r\n"), std::string::npos) << "line " << righe.size() + 1;
        righe.push_back(std::move(riga));
        inizio = fine + 2;
    }
    return righe;
}

// 64-bit FNV-1a of the bytes.
std::uint64_t impronta(const std::string& testo) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : testo) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    return h;
}

const std::string& testo_linea() {
    static const std::string testo = componi_righe(righe_linea());
    return testo;
}

const std::string& testo_treno() {
    static const std::string testo = componi_righe(righe_treno());
    return testo;
}

struct contenuto {
    const char* nome;
    const std::string& (*testo)();
    std::span<const std::string_view> (*tabella)();
    std::size_t righe;
    std::size_t byte;
    std::uint64_t impronta;
};

// Byte counts and FNV-1a of the two files as they must be written, CR LF included.
const contenuto contenuti[] = {
    {"linea", testo_linea, righe_linea, 143, 3838, 0x512b8c07617410baULL},
    {"treno", testo_treno, righe_treno, 60, 2297, 0xe9f1a6c34f2dd850ULL},
};

TEST(BuiltinContent, TableEndsWithTheMarkerAndTheFileIsCrLfAscii) {
    for (const contenuto& c : contenuti) {
        SCOPED_TRACE(c.nome);
        auto tabella = c.tabella();
        ASSERT_EQ(tabella.size(), c.righe + 1);
        EXPECT_EQ(tabella.back(), fine_del_file);
        for (std::size_t i = 0; i + 1 < tabella.size(); ++i) {
            EXPECT_NE(tabella[i], fine_del_file) << "entry " << i;
        }

        const std::string& testo = c.testo();
        EXPECT_EQ(testo.find("riferimento fine del file"), std::string::npos);
        EXPECT_TRUE(testo.ends_with("[fine]\r\n"));
        for (unsigned char b : testo) {
            ASSERT_TRUE(b < 0x80 && (b >= 0x20 || b == '\r' || b == '\n')) << int(b);
        }
        EXPECT_EQ(righe_scritte(testo).size(), c.righe);
        EXPECT_EQ(testo.size(), c.byte);
        EXPECT_EQ(impronta(testo), c.impronta);
    }
}

struct sezione {
    std::size_t riga;  // line number of the header, from 1
    std::string_view intestazione;
    std::string_view chiave;  // how every record line of the section begins; empty: any
};

void controlla_sezioni(const std::vector<std::string>& righe, const std::vector<sezione>& sezioni) {
    ASSERT_EQ(sezioni.back().riga, righe.size());
    for (std::size_t s = 0; s < sezioni.size(); ++s) {
        const sezione& sz = sezioni[s];
        EXPECT_EQ(righe[sz.riga - 1], sz.intestazione);
        std::size_t fine = s + 1 < sezioni.size() ? sezioni[s + 1].riga - 1 : righe.size();
        for (std::size_t n = sz.riga + 1; n <= fine; ++n) {
            const std::string& r = righe[n - 1];
            EXPECT_FALSE(r.starts_with('[')) << "line " << n << ": " << r;
            EXPECT_NE(r.find(','), std::string::npos) << "line " << n << ": " << r;
            EXPECT_TRUE(r.starts_with(sz.chiave)) << "line " << n << ": " << r;
        }
    }
}

TEST(BuiltinLine, SectionsStandAtTheirLinesAndHoldOnlyTheirRecords) {
    controlla_sezioni(righe_scritte(testo_linea()),
                      {
                          {1, "[generale]", ""},
                          {10, "[curve]", "curva"},
                          {51, "[pendenze]", "pendenza,"},
                          {112, "[montagne]", "montagna,"},
                          {130, "[cartelli]", "indicatori_vmax,"},
                          {134, "[indicazioni]", "cartello_indicatore,"},
                          {143, "[fine]", ""},
                      });
}

TEST(BuiltinTrain, SectionsStandAtTheirLinesAndHoldOnlyTheirRecords) {
    controlla_sezioni(righe_scritte(testo_treno()), {
                                                        {1, "[generale]", ""},
                                                        {6, "[aderenze]", "aderenza,"},
                                                        {31, "[vel_limite]", "velocita,"},
                                                        {36, "[stazioni]", "stazione,"},
                                                        {46, "[rallentamenti]", "rallentamento,"},
                                                        {48, "[segnali]", "segnale,"},
                                                        {59, "[codici]", ""},
                                                        {60, "[fine]", ""},
                                                    });
}

struct riga_attesa {
    std::size_t numero;  // from 1
    std::string_view testo;
};

TEST(BuiltinLine, SpotLinesKeepTheirExactText) {
    const riga_attesa attese[] = {
        {2, "lunghezza percorso,    34100"},
        {3, "progressiva chilometrica uno,    0,    0,    0"},
        {8, "sfondo tre,    15300"},
        {9, "ripetizione segnali 4 codici,    0    ,0"},
        {11, "curvad6,  650,  50"},
        {17, "curvas1,  9200,  400"},
        {50, "curvad6,  31200,  500"},
        {52, "pendenza,   0,    0"},
        {53, "pendenza,  450,   -2"},
        {104, "pendenza,  28050,   -6"},
        {111, "pendenza,  31950,   0"},
        {113, "montagna,   15800,  16100,  1"},
        {129, "montagna,   31300,  31800,  1"},
        {131, "indicatori_vmax,  550,  75,  75,  75,  0,  ,  ,  ,  0"},
        {133, "indicatori_vmax,  26400,  60,  60,  60,  0,  ,  ,  ,  0"},
        {135, "cartello_indicatore,  3400,   (P.L.      )(COLONNELLA)"},
        {136, "cartello_indicatore,  4850,   (P.L.       )(via Coriano)"},
        {137, "cartello_indicatore,  6650,   (P.L.          )(via Montescudo)"},
        {138, "cartello_indicatore,  11100,   (CONFINE )(DI STATO)"},
        {142, "cartello_indicatore,  25150,   (Viadotto     )(Fonte Vecchia)"},
    };
    std::vector<std::string> righe = righe_scritte(testo_linea());
    for (const riga_attesa& a : attese) {
        ASSERT_LE(a.numero, righe.size());
        EXPECT_EQ(righe[a.numero - 1], a.testo) << "line " << a.numero;
    }
}

TEST(BuiltinTrain, SpotLinesKeepTheirExactText) {
    const riga_attesa attese[] = {
        {2, "numero vetture,    3"},
        {5, "orologio,    7               14            30 "},
        {7, "aderenza,   0,    100"},
        {8, "aderenza,    1300,    98"},
        {15, "aderenza,   11050,    98"},
        {30, "aderenza,   31750,   100"},
        {33, "velocita,     500,    75"},
        {37, "stazione,       0,  7,  200,  1, 0, 0,  3,1,0,  2,1,1,    1,   7,15, 0, LAVENA F.S."},
        {41, "stazione,   17100, 12,  200,  1, 0, 0,  4,1,0,  2,1,1,   60,   7,42,30, SERRAVALLE"},
        {44,
         "stazione,   28400, 12,  200,  0, 0, 0,  1,1,0,  4,1,1,   60,   8, 7, 0, BORGO MAGGIORE"},
        {45, "stazione,   32100,  6,  200,  1, 0, 0,  1,1,0,  2,1,1,    0,   8,15, 0, TORRE ALTA"},
        {47, "rallentamento,   25500,    15,  100, 1,  1,  15"},
        {52, "segnale,   16200,   2, 2, 3,  0, 0,    0,  0,0,0, 255"},
        {58, "segnale,   31100,   2, 2, 3,  3, 0,    0,  0,0,0, 0"},
    };
    std::vector<std::string> righe = righe_scritte(testo_treno());
    for (const riga_attesa& a : attese) {
        ASSERT_LE(a.numero, righe.size());
        EXPECT_EQ(righe[a.numero - 1], a.testo) << "line " << a.numero;
    }
}

TEST(BuiltinTrain, ClockKeepsItsTrailingBlankAndCodesSectionIsEmpty) {
    std::vector<std::string> righe = righe_scritte(testo_treno());
    ASSERT_EQ(righe.size(), 60u);
    EXPECT_EQ(righe[4].size(), 46u);
    EXPECT_TRUE(righe[4].ends_with("30 "));
    EXPECT_TRUE(testo_treno().ends_with("\r\n[codici]\r\n[fine]\r\n"));
}

TEST(BuiltinContent, FileNamesComeFromLineAndTrainAndReplaceOldFiles) {
    test::cartella_temporanea dir;
    test::scrivi(dir.file("Linea X_linea.txt"), std::string(9000, 'x'));
    dati_linea(dir.percorso(), "Linea X");
    dati_treno(dir.percorso(), "Linea X", "B 2");
    EXPECT_EQ(test::elenco(dir.percorso()),
              (std::vector<std::string>{"Linea X_B 2-.txt", "Linea X_linea.txt"}));
    EXPECT_EQ(test::leggi(dir.file("Linea X_linea.txt")), testo_linea());
    EXPECT_EQ(test::leggi(dir.file("Linea X_B 2-.txt")), testo_treno());
}

TEST(BuiltinExample, WritesTheTwoFilesIntoTheFolder) {
    test::cartella_temporanea dir;
    test::esito_processo esito = test::esegui_binario({"example", dir.percorso()});
    EXPECT_EQ(esito.stato, 0) << esito.err;
    const std::string file_linea = nome_file_linea(std::string(nome_linea));
    const std::string file_treno =
        nome_file_treno(std::string(nome_linea), std::string(codice_treno));
    EXPECT_EQ(file_linea, "Lavena_Torre Alta_linea.txt");
    EXPECT_EQ(file_treno, "Lavena_Torre Alta_A 1-.txt");
    EXPECT_EQ(test::elenco(dir.percorso()), (std::vector<std::string>{file_treno, file_linea}));
    EXPECT_EQ(test::leggi(dir.file(file_linea)), testo_linea());
    EXPECT_EQ(test::leggi(dir.file(file_treno)), testo_treno());
}

TEST(BuiltinExample, MissingFolderIsAUsageError) {
    test::cartella_temporanea dir;
    const std::string mancante = dir.file("non_esiste");
    test::esito_processo esito = test::esegui_binario({"example", mancante});
    EXPECT_EQ(esito.stato, 64);
    EXPECT_FALSE(esito.err.empty());
    EXPECT_FALSE(test::esiste(mancante));
    EXPECT_TRUE(test::elenco(dir.percorso()).empty());
}

}  // namespace
}  // namespace binario
