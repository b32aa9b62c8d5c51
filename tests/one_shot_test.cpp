// The one-shot run of the built-in scenario, end to end, through the real program.
#include "run/one_shot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/app.h"
#include "common/file_names.h"
#include "compiler/track_model.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/text_windows.h"
#endif

namespace binario {
namespace {

const std::string linea = "Lavena_Torre Alta";
const std::string treno = "A 1";

int32_t le32(const std::string& b, size_t o) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint8_t>(b[o])) |
                                static_cast<uint32_t>(static_cast<uint8_t>(b[o + 1])) << 8 |
                                static_cast<uint32_t>(static_cast<uint8_t>(b[o + 2])) << 16 |
                                static_cast<uint32_t>(static_cast<uint8_t>(b[o + 3])) << 24);
}
int16_t le16(const std::string& b, size_t o) {
    return static_cast<int16_t>(
        static_cast<uint16_t>(static_cast<uint8_t>(b[o]) | static_cast<uint8_t>(b[o + 1]) << 8));
}
uint16_t u16(const std::string& b, size_t o) {
    return static_cast<uint16_t>(le16(b, o));
}

// One table row read back from the table file, just the fields the checks need.
struct riga_letta {
    uint8_t genere;
    int32_t valore1, valore2, valore3;
    std::string testo;
    int16_t intero1;
    int32_t codice;
};

std::vector<riga_letta> leggi_tabella(const std::string& b) {
    std::vector<riga_letta> righe;
    size_t o = 0;
    for (int i = 0; i < 87; ++i) {
        riga_letta r{};
        r.genere = static_cast<uint8_t>(b.at(o));
        r.valore1 = le32(b, o + 1);
        r.valore2 = le32(b, o + 5);
        r.valore3 = le32(b, o + 9);
        uint16_t L = u16(b, o + 14);
        r.testo = b.substr(o + 16, L);
        r.intero1 = le16(b, o + 16 + L);
        r.codice = le32(b, o + 30 + L);
        righe.push_back(r);
        o += 34 + L;
    }
    EXPECT_EQ(o, b.size());
    return righe;
}

class OneShot : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new test::cartella_temporanea();
        esito_ = new test::esito_processo(test::esegui_binario({"run", "--dir", dir_->percorso()}));
    }
    static void TearDownTestSuite() {
        delete esito_;
        delete dir_;
    }
    static std::string file(const std::string& nome) { return test::leggi(dir_->file(nome)); }

    static test::cartella_temporanea* dir_;
    static test::esito_processo* esito_;
};
test::cartella_temporanea* OneShot::dir_ = nullptr;
test::esito_processo* OneShot::esito_ = nullptr;

TEST_F(OneShot, LeavesExactlyTheSixFilesAndSaysOnlyAttendere) {
    EXPECT_EQ(esito_->stato, 0);
    EXPECT_EQ(esito_->err, "Attendere\n");
    EXPECT_EQ(esito_->out, "");
    EXPECT_EQ(test::elenco(dir_->percorso()),
              (std::vector<std::string>{
                  "Lavena_Torre Alta_A 1.dat", "Lavena_Torre Alta_A 1.sim",
                  "Lavena_Torre Alta_A 1_note.txt", "Lavena_Torre Alta_A 1_rallentamenti.txt",
                  "Lavena_Torre Alta_A 1_scheda_treno.txt", "Lavena_Torre Alta_linea.dat"}));
}

TEST_F(OneShot, CellFile) {
    const std::string celle = file(nome_file_celle(linea, treno));
    ASSERT_EQ(celle.size(), 12345u);
    // The signal at 12100 with its profile bytes.
    const std::string atteso("\x01\x32\x00\x0A\x00\x00\x00\x03\x00\x00\x00\x00\x0F\x70\x62", 15);
    EXPECT_EQ(celle.substr(3645, 15), atteso);
    // Cell 1: the stamp and the plain competition code.
    EXPECT_EQ(le16(celle, 16), 5121);
    EXPECT_EQ(le16(celle, 18), 2399);
}

TEST_F(OneShot, CodeMarksOfTheBuiltInScenario) {
    const std::string celle = file(nome_file_celle(linea, treno));
    // The slowdown at 25500 starts in cell 511 (speed 15, below 110) and ends in 513.
    // Windows before the start: near 506 (free), middle 500 (free), far 493 (free).
    // The walk reaches the end at its 2nd step, so no mark inside; the first signal
    // after the end is cell 530, 17 cells on: beyond the 12 searched, so no mark.
    // No signal lies within 20 cells before the warning board in cell 487, so rule A
    // adds nothing. Those three cells are the only code marks of the run.
    std::vector<int> attese = {493, 500, 506};
    std::vector<int> trovate;
    for (size_t i = 0; i * 15 < celle.size(); ++i)
        if (static_cast<uint8_t>(celle[i * 15]) == 12) trovate.push_back(static_cast<int>(i));
    EXPECT_EQ(trovate, attese);
    for (int c : attese) EXPECT_EQ(le16(celle, c * 15 + 1), 180) << c;
}

TEST_F(OneShot, TableFile) {
    const std::vector<riga_letta> t = leggi_tabella(file(nome_file_tabella(linea, treno)));
    EXPECT_EQ(t[85].testo, linea);
    EXPECT_EQ(t[85].intero1, 610);
    EXPECT_EQ(t[85].codice, 32045);
    EXPECT_EQ(t[86].testo, treno);
    EXPECT_EQ(t[84].valore2, 34100);
    const char* stazioni[] = {"LAVENA F.S.", "LAVENA MARINA",  "CORIANO CERASOLO",
                              "DOGANA",      "SERRAVALLE",     "DOMAGNANO MONTELUPO",
                              "VALDRAGONE",  "BORGO MAGGIORE", "TORRE ALTA"};
    const int32_t progressive[] = {0, 1300, 10300, 14000, 17100, 22500, 25100, 28400, 32100};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(t[k + 1].testo, stazioni[k]);
        EXPECT_EQ(t[k + 1].valore3, progressive[k]);
    }
    EXPECT_EQ(t[10].testo, "");
    EXPECT_EQ(t[80].testo, "(P.L.      )(COLONNELLA)");
    EXPECT_EQ(t[74].testo, "(III Ponte    )(Torrente Ausa)");
    EXPECT_EQ(t[72].testo, "");
    EXPECT_EQ(t[0].testo, "");
    EXPECT_EQ(t[0].codice, 0);
}

TEST_F(OneShot, PlanFile) {
    const std::string piano = file(nome_file_piano(linea));
    ASSERT_EQ(piano.size(), 821964u);
    EXPECT_EQ(piano.substr(0, 8), std::string("\x02\x00\x00\x00\x02\x00\x00\x00", 8));
    // Walk the tags: per column, two 16-bit integers, L - 3 doubles, two empties.
    const int32_t L = 41100;
    size_t o = 0;
    for (int c = 0; c < 2; ++c) {
        for (int32_t metro = 0; metro <= L; ++metro) {
            uint16_t tag = u16(piano, o);
            uint16_t atteso = metro <= 1 ? 2 : (metro <= L - 2 ? 5 : 0);
            ASSERT_EQ(tag, atteso) << "column " << c << " metre " << metro;
            o += 2 + (tag == 2 ? 2 : tag == 5 ? 8 : 0);
        }
    }
    EXPECT_EQ(o, piano.size());
    // The y column starts with the integers 0 and 1.
    size_t y0 = 4 + 4 + static_cast<size_t>(L - 3) * 10 + 4;
    EXPECT_EQ(piano.substr(y0, 8), std::string("\x02\x00\x00\x00\x02\x00\x01\x00", 8));
}

TEST(OneShotRepeat, SecondRunGivesIdenticalFilesAndReplacesLongerOnes) {
    test::cartella_temporanea a, b;
    ASSERT_EQ(test::esegui_binario({"run", "--dir", a.percorso()}).stato, 0);
    // Leave longer files of the same names in b first.
    for (const std::string& nome : test::elenco(a.percorso()))
        test::scrivi(b.file(nome), std::string(1000000, 'x'));
    ASSERT_EQ(test::esegui_binario({"run", "--dir", b.percorso()}).stato, 0);
    ASSERT_EQ(test::esegui_binario({"run", "--dir", b.percorso()}).stato, 0);
    EXPECT_EQ(test::elenco(a.percorso()), test::elenco(b.percorso()));
    for (const std::string& nome : test::elenco(a.percorso()))
        EXPECT_EQ(test::leggi(a.file(nome)), test::leggi(b.file(nome))) << nome;
}

TEST(OneShotCommandLine, UsageErrors) {
    EXPECT_EQ(test::esegui_binario({"run", "--dir", "/nonexistent/binario"}).stato, 64);
    EXPECT_EQ(test::esegui_binario({"--no-such-flag"}).stato, 64);
    EXPECT_EQ(test::esegui_binario({"run"}).stato, 64);
    test::esito_processo aiuto = test::esegui_binario({"--help"});
    EXPECT_EQ(aiuto.stato, 0);
    EXPECT_NE(aiuto.out.find("run"), std::string::npos);
    test::esito_processo versione = test::esegui_binario({"--version"});
    EXPECT_EQ(versione.stato, 0);
    EXPECT_EQ(versione.out.rfind("binario ", 0), 0u);
}

compile_result fermato(int32_t numero) {
    compile_result r;
    r.stop = diagnostica{};
    r.stop->numero = numero;
    return r;
}

compile_result disco_pieno() {
    compile_result r;
    r.io_error = io_failure{"d/x.dat", "No space left on device"};
    return r;
}

struct riporto {
    int stato;
    std::string stampato;
};

// Runs `riporta` on a temporary file that stands for standard error.
template <class F>
riporto riporta_in_file(F&& riporta) {
    std::FILE* f = std::tmpfile();
    if (f == nullptr) return {-1, "no temporary file"};
    riporto r{riporta(f), std::string(256, '\0')};
    std::rewind(f);
    r.stampato.resize(std::fread(r.stampato.data(), 1, r.stampato.size(), f));
    std::fclose(f);
    return r;
}

// The command layer's report of a run: what it prints and the exit status it returns.
TEST(OneShotErrorReport, ShowsTheOutcomeAndReturnsItsStatus) {
    compile_result difettoso;
    difettoso.model.errore_numero = 101;
    difettoso.model.diagnostiche.push_back({false, 101, std::nullopt, "x_linea.txt", 0, "missing"});
    const compile_result pulito;
    struct caso {
        compile_result esito;
        int stato;
        std::string stampato;
    };
    const caso casi[] = {
        {fermato(1250), 2, " Errore n. 1250\n"},
        {disco_pieno(), 74, "binario: d/x.dat: No space left on device\n"},
        {difettoso, 1, "x_linea.txt: error 101: missing\n1 error, 0 warnings\n"},
        {pulito, 0, ""},
    };
    for (const caso& c : casi) {
        const riporto r = riporta_in_file([&](std::FILE* f) { return riporta_avvio(c.esito, f); });
        EXPECT_EQ(r.stato, c.stato) << c.stampato;
        EXPECT_EQ(r.stampato, c.stampato);
    }
}

// Started with no console (Windows, a double click) the stop is shown in a message
// box; everything else still goes to standard error.
TEST(OneShotErrorReport, WithoutAConsoleTheStopGoesToTheMessageBox) {
    struct caso {
        compile_result esito;
        int stato;
        std::string nella_finestra, stampato;
    };
    const caso casi[] = {
        {fermato(1251), 2, " Errore n. 1251", ""},
        {disco_pieno(), 74, "", "binario: d/x.dat: No space left on device\n"},
    };
    for (const caso& c : casi) {
        std::vector<std::string> finestre;
        const riporto r = riporta_in_file([&](std::FILE* f) {
            return riporta_avvio(c.esito, f, [&](const std::string& t) { finestre.push_back(t); });
        });
        EXPECT_EQ(r.stato, c.stato);
        EXPECT_EQ(r.stampato, c.stampato);
        EXPECT_EQ(finestre, c.nella_finestra.empty() ? std::vector<std::string>{}
                                                     : std::vector<std::string>{c.nella_finestra});
    }
}

#ifdef _WIN32
// Output redirected to a file or a pipe is read by whoever redirected it.
TEST(OneShotErrorReport, ARedirectedStandardErrorTakesTheStop) {
    HANDLE lettura = nullptr, scrittura = nullptr;
    ASSERT_TRUE(::CreatePipe(&lettura, &scrittura, nullptr, 0));
    EXPECT_FALSE(arresto_in_finestra(scrittura));
    ::CloseHandle(lettura);
    ::CloseHandle(scrittura);
    test::cartella_temporanea dir;
    const std::wstring nome = wide_da_utf8(dir.file("err.txt"));
    HANDLE file = ::CreateFileW(nome.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(arresto_in_finestra(file));
    ::CloseHandle(file);
}
#endif

TEST(OneShotErrorReport, StoppedCompileWritesNoCompiledFile) {
    test::cartella_temporanea dir;
    // A signal at chainage 0 sits in cell 1 and fills the reserved stamp slot.
    test::scrivi(dir.file(nome_file_linea("L")),
                 "[generale]\r\nlunghezza percorso, 5000\r\n[p]\r\n[fine]\r\n");
    test::scrivi(dir.file(nome_file_treno("L", "T")),
                 "[generale]\r\nsegnale, 0, 1,5,1,0,0,0,0,0,0,0\r\n[fine]\r\n");
    test::scrivi(dir.file(nome_file_celle("L", "T")), "old cells");
    const compile_result esito = memorizza_percorso("L", "T", dir.percorso(), 1);
    ASSERT_TRUE(esito.stop);
    EXPECT_EQ(esito.stop->numero, 1250);
    EXPECT_FALSE(esito.io_error);
    EXPECT_EQ(test::leggi(dir.file(nome_file_celle("L", "T"))), "old cells");
    EXPECT_FALSE(test::esiste(dir.file(nome_file_tabella("L", "T"))));
    EXPECT_FALSE(test::esiste(dir.file(nome_file_piano("L"))));
}

}  // namespace
}  // namespace binario
