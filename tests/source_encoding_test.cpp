// How the loader takes the bytes of a description file: Windows-1252 as always, or
// UTF-8 when the whole file is valid UTF-8 beyond ASCII, stored in Windows-1252.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "compiler/scenario_loader.h"
#include "run/diagnostics_report.h"
#include "test_support.h"

namespace binario {
namespace {

using test::da_testo;

const std::string linea = "[generale]\r\nlunghezza percorso, 10000\r\n[profili]\r\n[fine]\r\n";

// A train file with one station named `nome`, after a comment line `commento`.
std::string treno(const std::string& commento, const std::string& nome) {
    return commento +
           "\r\n[generale]\r\nstazione, 2000, 28, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, " + nome +
           "\r\n[fine]\r\n";
}

struct caso_codifica {
    const char* nome;
    std::string treno;
    std::string nome_stazione;          // the table's bytes
    int32_t errore;                     // the error state
    std::vector<std::string> rapporto;  // the report's lines
};

void PrintTo(const caso_codifica& c, std::ostream* os) {
    *os << c.nome;
}

class SourceEncoding : public testing::TestWithParam<caso_codifica> {};

TEST_P(SourceEncoding, DecidesHowTextsAreStoredAndWhatIsSaid) {
    const caso_codifica& c = GetParam();
    modello m;
    memorizza_dati(m, da_testo("l.txt", linea), da_testo("t.txt", c.treno));
    EXPECT_EQ(m.tabella[1].testo, c.nome_stazione);
    EXPECT_EQ(m.errore_numero, c.errore);
    std::vector<std::string> righe;
    for (const diagnostica& d : m.diagnostiche) righe.push_back(riga_diagnostica(d));
    EXPECT_EQ(righe, c.rapporto);
}

const std::string nota_utf8 =
    "note: the file is valid UTF-8 with characters beyond ASCII, so it is read as UTF-8; its "
    "texts are stored in Windows-1252";

INSTANTIATE_TEST_SUITE_P(
    Table, SourceEncoding,
    testing::Values(
        caso_codifica{"PlainAscii", treno("--", "CITTA"), "CITTA", 0, {}},
        caso_codifica{"Windows1252", treno("-- caff\xE8", "CITT\xC0"), "CITT\xC0", 0, {}},
        caso_codifica{"Utf8",
                      treno("--", "CITT\xC3\x80 \xE2\x82\xAC"),
                      "CITT\xC0 \x80",
                      0,
                      {"t.txt:3:62: " + nota_utf8}},
        // The note points at the first character beyond ASCII, counted in characters.
        caso_codifica{"Utf8InAComment",
                      treno("-- \xC3\xA8 \xC3\xA0", "CITT\xC3\x80"),
                      "CITT\xC0",
                      0,
                      {"t.txt:1:4: " + nota_utf8}},
        caso_codifica{"CharacterWithoutAByte",
                      treno("-- \xC3\xA8 \xE2\x86\x92 x \xE2\x89\xA5\xE2\x89\xA5",
                            "A\xE2\x86\x92"
                            "B"),
                      "A?B",
                      104,
                      {"t.txt:1:4: " + nota_utf8,
                       "t.txt:1:6: error 104: \"\xE2\x86\x92\" (U+2192) has no Windows-1252 byte; "
                       "it is read as \"?\" (and 2 more such characters on this line)",
                       "t.txt:3:59: error 104: \"\xE2\x86\x92\" (U+2192) has no Windows-1252 "
                       "byte; it is read as \"?\""}},
        caso_codifica{"ByteOrderMark",
                      "\xEF\xBB\xBF" + treno("--", "CITTA"),
                      "CITTA",
                      0,
                      {"t.txt:1: note: the file begins with a UTF-8 byte-order mark, so it is "
                       "read as UTF-8; the mark itself is not read"}},
        // Windows-1252 text whose every byte beyond ASCII happens to form UTF-8 is read
        // as UTF-8; one Windows-1252 letter anywhere else keeps it Windows-1252.
        caso_codifica{"Windows1252ThatIsValidUtf8",
                      treno("--", "\xC3\xA9"),
                      "\xE9",
                      0,
                      {"t.txt:3:58: " + nota_utf8}},
        caso_codifica{
            "Windows1252KeptByOneLetter", treno("-- \xE8", "\xC3\xA9"), "\xC3\xA9", 0, {}}),
    [](const testing::TestParamInfo<caso_codifica>& i) { return std::string(i.param.nome); });

// The same scenario written in Windows-1252 and in UTF-8 compiles to the same model.
TEST(SourceEncodingTest, Utf8AndWindows1252FilesGiveTheSameCellsAndTable) {
    const std::string nomi[] = {"CITT\xC0 DI SOPRA \x80", "CITT\xC3\x80 DI SOPRA \xE2\x82\xAC"};
    modello m[2];
    for (int i = 0; i < 2; ++i) {
        m[i].compila_planimetria = 1;
        memorizza_dati(m[i],
                       da_testo("l.txt",
                                "[generale]\r\nlunghezza percorso, 10000\r\n[profili]\r\n"
                                "indicatore cartello, 3000, " +
                                    nomi[i] + "\r\n[fine]\r\n"),
                       da_testo("t.txt", treno("--", nomi[i])));
        EXPECT_EQ(m[i].errore_numero, 0);
    }
    ASSERT_EQ(m[0].celle.size(), m[1].celle.size());
    for (size_t c = 0; c < m[0].celle.size(); ++c)
        EXPECT_EQ(m[0].celle[c].evento, m[1].celle[c].evento) << c;
    for (size_t r = 0; r < m[0].tabella.size(); ++r)
        EXPECT_EQ(m[0].tabella[r].testo, m[1].tabella[r].testo) << r;
    EXPECT_EQ(m[1].tabella[80].testo, nomi[0]);
    EXPECT_EQ(m[0].diagnostiche.size(), 0u);
    EXPECT_EQ(m[1].diagnostiche.size(), 2u);  // one note for each file
}

}  // namespace
}  // namespace binario
