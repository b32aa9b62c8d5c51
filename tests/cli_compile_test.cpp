// binario compile and binario check, run as the real executable on small pairs of
// description files in a scratch folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/utf8_paths.h"
#include "test_support.h"

namespace binario {
namespace {

using nlohmann::json;
using test::esegui_binario;
using test::esito_processo;

const std::string nome_linea = "Lavena_Torre Alta_linea.txt";
const std::string nome_treno = "Lavena_Torre Alta_A 1-.txt";
const std::vector<std::string> compilati = {
    "Lavena_Torre Alta_linea.dat", "Lavena_Torre Alta_A 1.sim", "Lavena_Torre Alta_A 1.dat"};

// A short line with nothing on it, to put one record of trouble into.
const std::string linea_breve =
    "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendenza, 0, 0\n[fine]\n";
const std::string treno_vuoto = "[generale]\n[fine]\n";

struct stato_file {
    std::string byte;
    std::filesystem::file_time_type modifica;
};

stato_file fotografa(const std::string& percorso) {
    stato_file s;
    s.byte = test::leggi(percorso);
    std::error_code ec;
    s.modifica = std::filesystem::last_write_time(path_from_utf8(percorso), ec);
    EXPECT_FALSE(ec) << percorso << ": " << ec.message();
    return s;
}

void uguale(const stato_file& prima, const stato_file& dopo, const std::string& cosa) {
    EXPECT_EQ(prima.byte, dopo.byte) << cosa;
    EXPECT_TRUE(prima.modifica == dopo.modifica) << cosa << ": modified";
}

// Test names from the cases' own names.
struct nome_caso_t {
    template <class T>
    std::string operator()(const ::testing::TestParamInfo<T>& p) const {
        return p.param.nome;
    }
};
constexpr nome_caso_t nome_caso;

class Compile : public ::testing::Test {
  protected:
    test::cartella_temporanea dir;

    void SetUp() override {
        std::filesystem::create_directory(dir.file("in"));
        std::filesystem::create_directory(dir.file("out"));
    }

    // Writes the pair in/X_linea.txt, in/X_T-.txt (line "X", train "T").
    void coppia(const std::string& linea, const std::string& treno) {
        test::scrivi(dir.file("in/X_linea.txt"), linea);
        test::scrivi(dir.file("in/X_T-.txt"), treno);
    }

    // Runs binario in the scratch folder, so that paths are given relative to it.
    esito_processo binario(const std::vector<std::string>& argomenti) {
        return esegui_binario(argomenti, dir.percorso());
    }

    // The built-in description files, written by 'binario example' into in/.
    void esempio() { ASSERT_EQ(binario({"example", "in"}).stato, 0); }
};

TEST_F(Compile, BuiltInFilesCompileToTheOneShotRunsBytesAndStayUntouched) {
    esempio();
    std::filesystem::create_directory(dir.file("run"));
    ASSERT_EQ(binario({"run", "--dir", "run"}).stato, 0);
    const stato_file linea = fotografa(dir.file("in/" + nome_linea));
    const stato_file treno = fotografa(dir.file("in/" + nome_treno));

    esito_processo r = binario({"compile", "in/" + nome_linea, "in/" + nome_treno, "--out", "out"});

    EXPECT_EQ(r.stato, 0) << r.err;
    EXPECT_EQ(r.err, "0 errors, 0 warnings\n");
    EXPECT_EQ(r.out,
              "out/" + compilati[0] + "\nout/" + compilati[1] + "\nout/" + compilati[2] + "\n");
    for (const std::string& f : compilati)
        EXPECT_EQ(test::leggi(dir.file("out/" + f)), test::leggi(dir.file("run/" + f))) << f;
    EXPECT_EQ(test::elenco(dir.file("out")),
              std::vector<std::string>({compilati[2], compilati[1], compilati[0]}));
    uguale(linea, fotografa(dir.file("in/" + nome_linea)), "line file");
    uguale(treno, fotografa(dir.file("in/" + nome_treno)), "train file");
    EXPECT_EQ(test::elenco(dir.file("in")), std::vector<std::string>({nome_treno, nome_linea}));
}

TEST_F(Compile, OutDefaultsToTheCurrentFolderAndKeepsTheFolderAsGiven) {
    esempio();
    esito_processo r = binario({"compile", "in/" + nome_linea, "in/" + nome_treno});
    EXPECT_EQ(r.stato, 0) << r.err;
    EXPECT_EQ(r.out, "./" + compilati[0] + "\n./" + compilati[1] + "\n./" + compilati[2] + "\n");
    for (const std::string& f : compilati) EXPECT_TRUE(test::esiste(dir.file(f))) << f;

    esito_processo barra =
        binario({"compile", "in/" + nome_linea, "in/" + nome_treno, "--out", "out/", "--no-plan"});
    EXPECT_EQ(barra.stato, 0) << barra.err;
    EXPECT_EQ(barra.out, "out/" + compilati[1] + "\nout/" + compilati[2] + "\n");
}

TEST_F(Compile, CheckWritesNothingAndReportsTheSameState) {
    esempio();
    esito_processo r = binario({"check", "in/" + nome_linea, "in/" + nome_treno, "--json"});
    EXPECT_EQ(r.stato, 0) << r.err;
    EXPECT_EQ(r.err, "0 errors, 0 warnings\n");
    json j = json::parse(r.out);
    EXPECT_EQ(j["errore_numero"], 0);
    EXPECT_EQ(j["ultima_cella"], 822);
    EXPECT_EQ(j["lunghezza_estesa"], 41100);
    EXPECT_TRUE(j["stopped"].is_null());
    EXPECT_EQ(j["files"], json::array());
    EXPECT_EQ(j["diagnostics"], json::array());
    EXPECT_EQ(test::elenco(dir.percorso()), std::vector<std::string>({"in", "out"}));
    EXPECT_TRUE(test::elenco(dir.file("out")).empty());
    EXPECT_EQ(test::elenco(dir.file("in")).size(), 2u);
}

// One fault per pair of files: the diagnostic line as printed, its JSON fields, and
// whether --incomplete still writes the (incomplete) compiled files. Without it a
// compile with a fault writes nothing.
struct caso_errore {
    const char* nome;
    std::string linea;  // nullopt-like: empty means "no line file at all"
    std::string treno;
    std::string riga_attesa;
    int numero;
    std::optional<int> progressiva;
    const char* file;  // nullptr: no source file
    int riga;          // 0: none
    bool scritti;      // written with --incomplete
    int stato = 1;     // exit status
};

std::string treno_stazione(const std::string& stazioni) {
    return "[generale]\n[stazioni]\n" + stazioni + "[fine]\n";
}

const std::vector<caso_errore> casi_errore = {
    {"E101_NoLineFile", "", treno_vuoto,
     "in/X_linea.txt: error 101: the line description file does not exist", 101, std::nullopt,
     "in/X_linea.txt", 0, false, 74},
    {"E102_NoGeneralSection", "no general section\nhere\n", treno_vuoto,
     "in/X_linea.txt:2: error 102: the line file has no \"[generale]\" section followed by "
     "records",
     102, std::nullopt, "in/X_linea.txt", 2, false},
    {"E1_LineTooLong", "[generale]\nlunghezza percorso, 1000001\n[fine]\n", treno_vuoto,
     "in/X_linea.txt:2: error 1: line length 1000001 is above the limit of 1000000 m", 1,
     std::nullopt, "in/X_linea.txt", 2, false},
    {"E15_GradientPastTheLastCell",
     "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendenza, 0, 0\npendenza, 12050, 5\n"
     "[fine]\n",
     treno_vuoto,
     "in/X_linea.txt:5: error 15: gradient record at chainage 12050 lies beyond the last cell "
     "240 (line length + 7000 m); the rest of the file is not read",
     15, 12050, "in/X_linea.txt", 5, true},
    {"E8_StationChainage", linea_breve,
     treno_stazione("stazione, 1025, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, A\n"),
     "in/X_T-.txt:3: error 8: station chainage 1025 is not a multiple of 50", 8, 1025,
     "in/X_T-.txt", 3, true},
    {"E9_PlatformLength", linea_breve,
     treno_stazione("stazione, 1000, 12, 250, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, A\n"),
     "in/X_T-.txt:3: error 9: station platform length 250 is not a multiple of 100", 9, 1000,
     "in/X_T-.txt", 3, true},
    {"E22_StationsTooClose", linea_breve,
     treno_stazione("stazione, 1000, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, A\n"
                    "stazione, 1500, 12, 200, 0,0,0, 0,0,0, 0,0,0, 30, 7,0,0, B\n"),
     "in/X_T-.txt:4: error 22: station at chainage 1500: platform start 1400 is less than 350 m "
     "after the previous platform end 1100",
     22, 1500, "in/X_T-.txt", 4, true},
    {"E16_SignalOnATakenCell", linea_breve,
     "[generale]\n[segnali]\nsegnale, 1000, 1,1,1,0,0,0,0,0,0,0\n"
     "segnale, 1010, 1,1,1,0,0,0,0,0,0,0\n[fine]\n",
     "in/X_T-.txt:4: error 16: signal at chainage 1010: cell 21 is already taken by the signal "
     "at 1000 m (line 3)",
     16, 1010, "in/X_T-.txt", 4, true},
    {"E25_NoTrainFile", linea_breve, "",
     "in/X_T-.txt: error 25: the train description file does not exist", 25, std::nullopt,
     "in/X_T-.txt", 0, false, 74},
    {"E25_SandTooLarge", linea_breve, "[generale]\nsabbia, 40000\n[fine]\n",
     "in/X_T-.txt:2: error 25: sand 40000 does not fit 16 bits (-32768 to 32767)", 25, std::nullopt,
     "in/X_T-.txt", 2, true},
    {"E2_KilometrePostReference",
     "[generale]\nlunghezza percorso, 5000\nprogressiva chilometrica uno, 1010, 0, 0\n[fine]\n",
     treno_vuoto, "error 2: kilometre-post reference (1010, 0) is not a multiple of 50", 2,
     std::nullopt, nullptr, 0, true},
    {"E12_PlacementWindowFull", linea_breve,
     "[generale]\n[segnali]\nsegnale, 2650, 1,1,1,0,0,0,0,0,0,0\n"
     "segnale, 2700, 1,1,1,0,0,0,0,0,0,0\nsegnale, 2750, 1,1,1,0,0,0,0,0,0,0\n"
     "[rallentamenti]\nrallentamento, 3000, 30, 100, 1, 1, 0\n[fine]\n",
     "chainage 3050: error 12: slowdown start in cell 61: cells 56 to 54 are all taken", 12, 3050,
     nullptr, 0, true},
};

class CompileFault : public Compile, public ::testing::WithParamInterface<caso_errore> {};

TEST_P(CompileFault, PrintsTheLineFillsTheJsonAndWritesOnlyWhenAskedTo) {
    const caso_errore& c = GetParam();
    if (!c.linea.empty()) test::scrivi(dir.file("in/X_linea.txt"), c.linea);
    if (!c.treno.empty()) test::scrivi(dir.file("in/X_T-.txt"), c.treno);
    const std::vector<std::string> vecchi = {"out/X_linea.dat", "out/X_T.sim", "out/X_T.dat"};
    for (const std::string& f : vecchi) test::scrivi(dir.file(f), "a good set's " + f);
    std::vector<stato_file> prima;
    for (const std::string& f : vecchi) prima.push_back(fotografa(dir.file(f)));

    for (const bool incompleto : {false, true}) {
        SCOPED_TRACE(incompleto ? "--incomplete" : "without --incomplete");
        std::vector<std::string> argomenti = {"compile", "in/X_linea.txt", "in/X_T-.txt", "--out",
                                              "out",     "--json"};
        if (incompleto) argomenti.push_back("--incomplete");
        esito_processo r = binario(argomenti);

        EXPECT_EQ(r.stato, c.stato) << r.err;
        EXPECT_NE(r.err.find(c.riga_attesa + "\n"), std::string::npos) << r.err;
        // A record past the last cell also lies past the line's end, which warns; signals
        // in three cells in a row (error 12) write over each other's approach marks.
        const bool avviso = c.numero == 15 || c.numero == 12;
        EXPECT_NE(r.err.find(avviso ? "1 error, 1 warning\n" : "1 error, 0 warnings\n"),
                  std::string::npos)
            << r.err;
        const bool scritti = incompleto && c.scritti;
        EXPECT_NE(
            r.err.find(scritti ? "the scenario is incomplete" : "no compiled file was written"),
            std::string::npos)
            << r.err;

        json j = json::parse(r.out);
        EXPECT_EQ(j["errore_numero"], c.numero);
        EXPECT_TRUE(j["stopped"].is_null());
        ASSERT_EQ(j["diagnostics"].size(), avviso ? 2u : 1u) << j.dump(2);
        const json& d = j["diagnostics"].back();
        EXPECT_EQ(d["severity"], "error");
        EXPECT_EQ(d["numero"], c.numero);
        EXPECT_EQ(d["progressiva"], c.progressiva ? json(*c.progressiva) : json());
        EXPECT_EQ(d["file"], c.file ? json(c.file) : json());
        EXPECT_EQ(d["line"], c.riga ? json(c.riga) : json());
        if (c.progressiva) {
            EXPECT_EQ(j["errore_progressiva"], *c.progressiva);
        }

        EXPECT_EQ(j["files"].size(), scritti ? 3u : 0u);
        EXPECT_EQ(test::elenco(dir.file("out")).size(), 3u);
        for (const json& f : j["files"]) EXPECT_TRUE(test::esiste(dir.file(f.get<std::string>())));
        if (!scritti)
            for (size_t i = 0; i < vecchi.size(); ++i)
                uguale(prima[i], fotografa(dir.file(vecchi[i])), vecchi[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Errors, CompileFault, ::testing::ValuesIn(casi_errore), nome_caso);

// A record in cell 1 takes a slot the stamps need: the compile stops and nothing
// of the folder changes.
struct caso_arresto {
    const char* nome;
    std::string segnale;
    int numero;
    std::string spiegazione;
};

class CompileStop : public Compile, public ::testing::WithParamInterface<caso_arresto> {};

TEST_P(CompileStop, ExitsTwoAndLeavesTheOldFilesAlone) {
    const caso_arresto& c = GetParam();
    coppia(linea_breve, "[generale]\n[segnali]\n" + c.segnale + "\n[fine]\n");
    for (const char* f : {"out/X_linea.dat", "out/X_T.sim", "out/X_T.dat"})
        test::scrivi(dir.file(f), std::string("old ") + f);

    esito_processo r =
        binario({"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "out", "--json"});

    EXPECT_EQ(r.stato, 2) << r.err;
    const std::string numero = std::to_string(c.numero);
    EXPECT_NE(r.err.find("error " + numero + ": " + c.spiegazione), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n Errore n. " + numero + "\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stopped by error " + numero + "; no compiled file was written"),
              std::string::npos)
        << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["stopped"], c.numero);
    EXPECT_EQ(j["files"], json::array());
    EXPECT_EQ(j["diagnostics"].back()["numero"], c.numero);
    for (const char* f : {"out/X_linea.dat", "out/X_T.sim", "out/X_T.dat"})
        EXPECT_EQ(test::leggi(dir.file(f)), std::string("old ") + f);

    esito_processo controllo = binario({"check", "in/X_linea.txt", "in/X_T-.txt"});
    EXPECT_EQ(controllo.stato, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, CompileStop,
    ::testing::Values(caso_arresto{"Marker1250", "segnale, 0, 1,5,1,0,0,0,0,0,0,0", 1250,
                                   "cell 1 (the first 50 m of the line) already holds a signal "
                                   "with dato1 = 50"},
                      caso_arresto{"Code1251", "segnale, 0, 1,0,1,0,0,0,0,0,0,0", 1251,
                                   "cell 1 (the first 50 m of the line) already holds a signal "
                                   "with dato2 = 10"}),
    nome_caso);

// Command lines that cannot be run: exit 64, a message that says why, nothing written.
struct caso_uso {
    const char* nome;
    std::vector<std::string> argomenti;
    std::string messaggio;
};

class CompileUsage : public Compile, public ::testing::WithParamInterface<caso_uso> {};

TEST_P(CompileUsage, ExitsSixtyFourAndWritesNothing) {
    coppia(linea_breve, treno_vuoto);
    test::scrivi(dir.file("in/line.txt"), linea_breve);
    test::scrivi(dir.file("out/X_T.sim"), "a user's file");
    const stato_file prima = fotografa(dir.file("out/X_T.sim"));

    esito_processo r = binario(GetParam().argomenti);

    EXPECT_EQ(r.stato, 64) << r.err;
    EXPECT_NE(r.err.find(GetParam().messaggio), std::string::npos) << r.err;
    EXPECT_EQ(test::elenco(dir.file("out")), std::vector<std::string>({"X_T.sim"}));
    EXPECT_EQ(test::elenco(dir.percorso()), std::vector<std::string>({"in", "out"}));
    uguale(prima, fotografa(dir.file("out/X_T.sim")), "out/X_T.sim");
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CompileUsage,
    ::testing::Values(
        caso_uso{"NoArguments", {"compile"}, "LINE is required"},
        caso_uso{"OnlyTheLineFile", {"compile", "in/X_linea.txt"}, "TRAIN is required"},
        caso_uso{"UnknownOption", {"compile", "in/X_linea.txt", "in/X_T-.txt", "--fast"}, "--fast"},
        caso_uso{
            "CheckHasNoOut", {"check", "in/X_linea.txt", "in/X_T-.txt", "--out", "out"}, "--out"},
        caso_uso{"LineNameNotInTheFileName",
                 {"compile", "in/line.txt", "in/X_T-.txt", "--out", "out"},
                 "binario compile: cannot tell the line name from 'line.txt': the file name does "
                 "not end in '_linea.txt'; give the line name with --linea NAME"},
        caso_uso{"TrainCodeNotInTheFileName",
                 {"check", "in/line.txt", "in/X_T-.txt", "--linea", "Y"},
                 "binario check: cannot tell the train code from 'X_T-.txt': the file name does "
                 "not have the form 'Y_CODE-.txt'; give the train code with --treno CODE"},
        caso_uso{"OutFolderMissing",
                 {"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "nowhere"},
                 "binario compile: the output folder 'nowhere' does not exist or is not a "
                 "folder"},
        caso_uso{"NameWithASlash",
                 {"compile", "in/X_linea.txt", "in/X_T-.txt", "--treno", "a/b", "--out", "out"},
                 "the train code 'a/b' contains '/'"},
        caso_uso{"NameOutsideWindows1252",
                 {"compile", "in/X_linea.txt", "in/X_T-.txt", "--linea", "X\xE2\x86\x92", "--treno",
                  "T", "--out", "out"},
                 "has a character that Windows-1252 cannot hold"},
        caso_uso{"NoWarningsWithWerror",
                 {"check", "in/X_linea.txt", "in/X_T-.txt", "--no-warnings", "--werror"},
                 "excludes"},
        caso_uso{"OutputWouldReplaceAnInput",
                 {"compile", "in/X_linea.txt", "out/X_T.sim", "--treno", "T", "--out", "out"},
                 "the compiled file 'out/X_T.sim' would replace the input file 'out/X_T.sim'"}),
    nome_caso);

TEST_F(Compile, NamesFromOptionsNameTheFilesAndGoIntoTheTableInWindows1252) {
    test::scrivi(dir.file("in/line.txt"), linea_breve);
    test::scrivi(dir.file("in/train.txt"), treno_vuoto);

    esito_processo r = binario({"compile", "in/line.txt", "in/train.txt", "--linea", "Citt\xC3\xA0",
                                "--treno", "R 7", "--out", "out"});

    EXPECT_EQ(r.stato, 0) << r.err;
    EXPECT_EQ(test::elenco(dir.file("out")),
              std::vector<std::string>(
                  {"Citt\xC3\xA0_R 7.dat", "Citt\xC3\xA0_R 7.sim", "Citt\xC3\xA0_linea.dat"}));
    const std::string tabella = test::leggi(dir.file("out/Citt\xC3\xA0_R 7.sim"));
    EXPECT_NE(tabella.find(std::string("\x05\x00", 2) + "Citt\xE0"), std::string::npos);
    EXPECT_EQ(tabella.find("Citt\xC3\xA0"), std::string::npos);
}

TEST_F(Compile, NoPlanLeavesAnExistingPlanFileAndWritesTheSameTableAndCells) {
    esempio();
    std::filesystem::create_directory(dir.file("full"));
    ASSERT_EQ(binario({"compile", "in/" + nome_linea, "in/" + nome_treno, "--out", "full"}).stato,
              0);
    test::scrivi(dir.file("out/" + compilati[0]), "an older plan");
    const stato_file piano = fotografa(dir.file("out/" + compilati[0]));

    esito_processo r = binario(
        {"compile", "in/" + nome_linea, "in/" + nome_treno, "--out", "out", "--no-plan", "--json"});

    EXPECT_EQ(r.stato, 0) << r.err;
    uguale(piano, fotografa(dir.file("out/" + compilati[0])), "plan file");
    EXPECT_EQ(json::parse(r.out)["files"], json({"out/" + compilati[1], "out/" + compilati[2]}));
    for (size_t i = 1; i < compilati.size(); ++i)
        EXPECT_EQ(test::leggi(dir.file("out/" + compilati[i])),
                  test::leggi(dir.file("full/" + compilati[i])))
            << compilati[i];
}

// A description file that does not exist or cannot be read: exit 74, the file and the
// system's reason named, nothing written (not even with --incomplete), and check
// says the same.
TEST_F(Compile, UnreadableInputIsAnInputOutputFailureWithTheSystemsReason) {
    coppia(linea_breve, treno_vuoto);
    std::filesystem::create_directory(dir.file("in/D_linea.txt"));
    std::filesystem::create_directory(dir.file("in/D_T-.txt"));
#ifndef _WIN32
    // Windows makes links only for administrators, and has no permission bits.
    std::filesystem::create_symlink("L_T-.txt", dir.file("in/L_T-.txt"));
    test::scrivi(dir.file("in/P_T-.txt"), treno_vuoto);
    ::chmod(dir.file("in/P_T-.txt").c_str(), 0);
#endif
    for (const char* f : {"out/X_linea.dat", "out/X_T.sim", "out/X_T.dat"})
        test::scrivi(dir.file(f), std::string("old ") + f);

    struct caso {
        const char* nome;
        std::vector<std::string> file;  // LINE TRAIN and any option
        std::string messaggio;
        std::string diagnostica;  // the model's line for it, if any
        bool compilato = true;    // false: the names cannot be told, nothing is compiled
    };
    const std::string nessuno = "; no compiled file was written";
    const caso casi[] = {
        {"line file is a folder",
         {"in/D_linea.txt", "in/D_T-.txt"},
         "cannot read 'in/D_linea.txt': Is a directory" + nessuno,
         "in/D_linea.txt: error 25: "},
        {"train file is a folder",
         {"in/X_linea.txt", "in/D_T-.txt", "--treno", "T"},
         "cannot read 'in/D_T-.txt': Is a directory" + nessuno,
         ""},
        {"line file missing",
         {"in/Y_linea.txt", "in/X_T-.txt", "--treno", "T"},
         "cannot read 'in/Y_linea.txt': No such file or directory" + nessuno,
         "in/Y_linea.txt: error 101: the line description file does not exist"},
        {"train file name misspelt",
         {"in/X_linea.txt", "in/X_T -.txt", "--treno", "T"},
         "cannot read 'in/X_T -.txt': No such file or directory" + nessuno,
         "in/X_T -.txt: error 25: the train description file does not exist"},
        {"train file missing, and its name gives no code",
         {"in/X_linea.txt", "in/X_T.txt"},
         "cannot read 'in/X_T.txt': No such file or directory" + nessuno,
         "",
         false},
        {"link to itself",
         {"in/X_linea.txt", "in/L_T-.txt", "--treno", "T"},
         "cannot read 'in/L_T-.txt': Too many levels of symbolic links" + nessuno,
         ""},
        {"no permission",
         {"in/X_linea.txt", "in/P_T-.txt", "--treno", "T"},
         "cannot read 'in/P_T-.txt': Permission denied" + nessuno,
         ""},
    };
    for (const caso& c : casi) {
        SCOPED_TRACE(c.nome);
#ifdef _WIN32
        if (std::string(c.nome) == "no permission" || std::string(c.nome) == "link to itself")
            continue;
#else
        // The superuser reads a file without permission all the same.
        if (std::string(c.nome) == "no permission" && ::geteuid() == 0) continue;
#endif
        for (const char* comando : {"compile", "check"})
            for (const bool incompleto : {false, true}) {
                if (incompleto && std::string(comando) == "check") continue;
                std::vector<std::string> a = {comando};
                a.insert(a.end(), c.file.begin(), c.file.end());
                if (std::string(comando) == "compile")
                    a.insert(a.end(), {"--out", "out", "--json"});
                if (incompleto) a.push_back("--incomplete");
                esito_processo r = binario(a);
                EXPECT_EQ(r.stato, 74) << comando << r.err;
                const std::string atteso =
                    "binario " + std::string(comando) + ": " +
                    (std::string(comando) == "compile"
                         ? c.messaggio
                         : c.messaggio.substr(0, c.messaggio.size() - nessuno.size())) +
                    "\n";
                EXPECT_NE(r.err.find(atteso), std::string::npos) << r.err;
                if (!c.diagnostica.empty()) {
                    EXPECT_NE(r.err.find(c.diagnostica), std::string::npos) << r.err;
                }
                if (!c.compilato) {
                    EXPECT_NE(r.err.find("cannot tell the train code from 'X_T.txt'"),
                              std::string::npos)
                        << r.err;
                    EXPECT_EQ(r.out, "");
                } else if (std::string(comando) == "compile") {
                    EXPECT_EQ(json::parse(r.out)["files"], json::array());
                }
                for (const char* f : {"out/X_linea.dat", "out/X_T.sim", "out/X_T.dat"})
                    EXPECT_EQ(test::leggi(dir.file(f)), std::string("old ") + f);
                EXPECT_EQ(test::elenco(dir.file("out")).size(), 3u);
            }
    }
}

TEST_F(Compile, OutputThatCannotBeWrittenIsAnInputOutputFailure) {
    coppia(linea_breve, treno_vuoto);
    test::scrivi(dir.file("out/X_linea.dat"), "old plan");
    std::filesystem::create_directory(dir.file("out/X_T.sim"));

    esito_processo r =
        binario({"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "out", "--json"});

    EXPECT_EQ(r.stato, 74) << r.err;
    EXPECT_NE(r.err.find("binario compile: cannot write 'out/X_T.sim': Is a directory; no "
                         "compiled file was written, and the files already in 'out' are "
                         "unchanged"),
              std::string::npos)
        << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["files"], json::array());
    EXPECT_TRUE(j["io_error"].is_string());
    EXPECT_EQ(test::leggi(dir.file("out/X_linea.dat")), "old plan");
    EXPECT_EQ(test::elenco(dir.file("out")), std::vector<std::string>({"X_T.sim", "X_linea.dat"}));
}

TEST_F(Compile, AWarningIsReportedButChangesNeitherStatusNorBytes) {
    const std::string senza =
        "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendenza, 0, 0\n"
        "pendenza, 200, 5\n[fine]\n";
    const std::string con =
        "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendenza, 0, 0\n"
        "pendensa, 100, 7\npendenza, 200, 5\n[fine]\n";
    std::filesystem::create_directory(dir.file("clean"));
    coppia(senza, treno_vuoto);
    ASSERT_EQ(binario({"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "clean"}).stato, 0);
    coppia(con, treno_vuoto);

    esito_processo r =
        binario({"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "out", "--json"});

    EXPECT_EQ(r.stato, 0) << r.err;
    EXPECT_NE(r.err.find("in/X_linea.txt:5: warning: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("pendensa"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("0 errors, 1 warning\n"), std::string::npos) << r.err;
    json j = json::parse(r.out);
    ASSERT_EQ(j["diagnostics"].size(), 1u);
    EXPECT_EQ(j["diagnostics"][0]["severity"], "warning");
    EXPECT_TRUE(j["diagnostics"][0]["numero"].is_null());
    EXPECT_EQ(j["diagnostics"][0]["line"], 5);
    for (const char* f : {"X_linea.dat", "X_T.sim", "X_T.dat"})
        EXPECT_EQ(test::leggi(dir.file(std::string("out/") + f)),
                  test::leggi(dir.file(std::string("clean/") + f)))
            << f;

    esito_processo nascosti =
        binario({"check", "in/X_linea.txt", "in/X_T-.txt", "--no-warnings", "--json"});
    EXPECT_EQ(nascosti.stato, 0);
    EXPECT_EQ(nascosti.err, "0 errors, 0 warnings\n");
    EXPECT_EQ(json::parse(nascosti.out)["diagnostics"], json::array());

    esito_processo severo = binario({"check", "in/X_linea.txt", "in/X_T-.txt", "--werror"});
    EXPECT_EQ(severo.stato, 1);
    EXPECT_NE(severo.err.find("0 errors, 1 warning\n"), std::string::npos) << severo.err;
    EXPECT_NE(severo.err.find("1 warning counts as an error (--werror)"), std::string::npos)
        << severo.err;
}

// --werror makes a warning an error for the files too: nothing is written unless
// --incomplete, which writes the same bytes as a compile without --werror.
TEST_F(Compile, WithWerrorAWarningWritesNothingUnlessIncomplete) {
    coppia(
        "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendenza, 0, 0\n"
        "pendensa, 100, 7\npendenza, 200, 5\n[fine]\n",
        treno_vuoto);
    std::filesystem::create_directory(dir.file("plain"));
    ASSERT_EQ(binario({"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "plain"}).stato, 0);
    const std::vector<std::string> set = {"X_linea.dat", "X_T.sim", "X_T.dat"};
    for (const std::string& f : set) test::scrivi(dir.file("out/" + f), "old " + f);

    esito_processo severo =
        binario({"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "out", "--werror"});
    EXPECT_EQ(severo.stato, 1) << severo.err;
    EXPECT_EQ(severo.out, "");
    EXPECT_NE(severo.err.find("binario compile: 1 warning counts as an error (--werror); no "
                              "compiled file was written, and the files already in 'out' are "
                              "unchanged\n"),
              std::string::npos)
        << severo.err;
    for (const std::string& f : set) EXPECT_EQ(test::leggi(dir.file("out/" + f)), "old " + f);

    esito_processo scritto = binario(
        {"compile", "in/X_linea.txt", "in/X_T-.txt", "--out", "out", "--werror", "--incomplete"});
    EXPECT_EQ(scritto.stato, 1) << scritto.err;
    EXPECT_EQ(scritto.out, "out/X_linea.dat\nout/X_T.sim\nout/X_T.dat\n");
    for (const std::string& f : set)
        EXPECT_EQ(test::leggi(dir.file("out/" + f)), test::leggi(dir.file("plain/" + f))) << f;
}

TEST_F(Compile, Windows1252BytesReachTheJsonAsUtf8) {
    coppia(
        "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendenza, 0, 0\n"
        "pendenz\xE8, 100, 7\n[fine]\n",
        treno_vuoto);

    esito_processo r = binario({"check", "in/X_linea.txt", "in/X_T-.txt", "--json"});

    ASSERT_EQ(r.stato, 0) << r.err;
    json j = json::parse(r.out);  // throws on bytes that are not UTF-8
    ASSERT_EQ(j["diagnostics"].size(), 1u);
    EXPECT_NE(j["diagnostics"][0]["message"].get<std::string>().find("pendenz\xC3\xA8"),
              std::string::npos);
    EXPECT_NE(r.err.find("pendenz\xC3\xA8"), std::string::npos) << r.err;
}

TEST_F(Compile, HelpOfEachCommandShowsAnExample) {
    for (const char* comando : {"compile", "check"}) {
        esito_processo r = binario({comando, "--help"});
        EXPECT_EQ(r.stato, 0) << comando;
        EXPECT_NE(r.out.find(std::string("Example: binario ") + comando), std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("Exit status:"), std::string::npos) << r.out;
    }
}

}  // namespace
}  // namespace binario
