// The tool's command line as a whole: unknown commands, help, version, the
// no-argument run, and the commands that must not overwrite or misname their output.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/utf8_paths.h"
#include "test_support.h"

namespace binario {
namespace {

using test::esegui_binario;
using test::esito_processo;

const std::string file_linea = "Lavena_Torre Alta_linea.txt";
const std::string file_treno = "Lavena_Torre Alta_A 1-.txt";

// A word that is no command: exit 64, the closest command when one is close, and
// nothing run.
TEST(CommandLine, UnknownCommandSaysWhatWasMeant) {
    struct caso {
        std::vector<std::string> argomenti;
        std::string errore;  // the first line of standard error
    };
    const caso casi[] = {
        {{"compil"}, "binario: unknown command 'compil'; did you mean 'compile'?"},
        {{"chek", "a", "b"}, "binario: unknown command 'chek'; did you mean 'check'?"},
        {{"lps"}, "binario: unknown command 'lps'; did you mean 'lsp'?"},
        {{"insp"}, "binario: unknown command 'insp'; did you mean 'inspect'?"},
        {{"renderr", "--compiled", "x"},
         "binario: unknown command 'renderr'; did you mean 'render'?"},
        {{"hlep"}, "binario: unknown command 'hlep'; did you mean 'help'?"},
        {{"frobnicate"}, "binario: unknown command 'frobnicate'"},
        {{"r"}, "binario: unknown command 'r'"},
        {{"help", "compil"}, "binario help: unknown command 'compil'; did you mean 'compile'?"},
        {{"help", "eror"}, "binario help: unknown command 'eror'; did you mean 'errors'?"},
        {{"help", "frobnicate"}, "binario help: unknown command 'frobnicate'"},
        {{"help", "run", "check"},
         "binario help: give at most one command; 'binario help' lists them"},
    };
    test::cartella_temporanea dir;
    for (const caso& c : casi) {
        esito_processo r = esegui_binario(c.argomenti, dir.percorso());
        EXPECT_EQ(r.stato, 64) << c.argomenti[0];
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.errore);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(test::elenco(dir.percorso()).empty());
}

// 'binario help [COMMAND]' shows what --help shows; -V is --version.
TEST(CommandLine, HelpAndVersion) {
    const esito_processo aiuto = esegui_binario({"--help"});
    ASSERT_EQ(aiuto.stato, 0);
    EXPECT_NE(aiuto.out.find("binario help COMMAND"), std::string::npos) << aiuto.out;
    EXPECT_NE(aiuto.out.find("73 an output file that exists"), std::string::npos) << aiuto.out;
    EXPECT_EQ(esegui_binario({"help"}).out, aiuto.out);
    EXPECT_EQ(esegui_binario({"help", "--help"}).out, aiuto.out);
    for (const char* comando : {"run", "example", "compile", "check", "inspect", "render",
                                "decompile", "recover", "lsp"}) {
        const esito_processo r = esegui_binario({"help", comando});
        EXPECT_EQ(r.stato, 0) << comando;
        EXPECT_EQ(r.out, esegui_binario({comando, "--help"}).out) << comando;
        EXPECT_NE(r.out.find(std::string("Usage: binario ") + comando), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Exit status"), std::string::npos) << r.out;
    }

    const esito_processo errori = esegui_binario({"help", "errors"});
    EXPECT_EQ(errori.stato, 0);
    EXPECT_NE(errori.out.find("  1250  "), std::string::npos) << errori.out;
    const esito_processo avvisi = esegui_binario({"help", "warnings"});
    EXPECT_EQ(avvisi.stato, 0);
    EXPECT_NE(avvisi.out.find("  trailing-text "), std::string::npos) << avvisi.out;

    const esito_processo versione = esegui_binario({"--version"});
    EXPECT_EQ(versione.stato, 0);
    EXPECT_EQ(versione.out.rfind("binario ", 0), 0u) << versione.out;
    EXPECT_EQ(esegui_binario({"-V"}).out, versione.out);
}

// What each command's help says is what the command does.
TEST(CommandLine, HelpTellsWhatTheCommandDoes) {
    struct caso {
        const char* comando;
        std::vector<std::string> presenti;
        std::vector<std::string> assenti;
    };
    const caso casi[] = {
        {"compile",
         {"--incomplete", "writes nothing and leaves the files already in",
          "74 a file that does not exist"},
         {"written all the same and"}},
        {"check",
         {"it goes into the table, as compile would put it", "files (always none)"},
         {"names the compiled files", "--incomplete", "--out"}},
        {"example", {"--force", "73 DIR already"}, {}},
        {"render", {"'-' writes the picture to standard output"}, {}},
        {"decompile", {"73 an\noutput file exists"}, {"64 usage, or an output file exists"}},
    };
    for (const caso& c : casi) {
        const std::string aiuto = esegui_binario({c.comando, "--help"}).out;
        for (const std::string& p : c.presenti)
            EXPECT_NE(aiuto.find(p), std::string::npos) << c.comando << ": " << p;
        for (const std::string& a : c.assenti)
            EXPECT_EQ(aiuto.find(a), std::string::npos) << c.comando << ": " << a;
    }
}

// With no arguments the program does the one-shot run in its own folder, as
// 'binario run --dir' does in another.
TEST(CommandLine, NoArgumentsIsTheOneShotRunInTheProgramsFolder) {
    test::cartella_temporanea programma, altrove;
    // The copy is the program, so its folder is the scratch folder.
    const std::string copia = path_to_utf8(path_from_utf8(BINARIO_EXE).filename());
    std::filesystem::copy_file(path_from_utf8(BINARIO_EXE), path_from_utf8(programma.file(copia)));
    esito_processo r = test::esegui_programma(programma.file(copia), {}, programma.percorso());
    ASSERT_EQ(r.stato, 0) << r.err;
    ASSERT_EQ(esegui_binario({"run", "--dir", altrove.percorso()}).stato, 0);
    std::vector<std::string> attesi = test::elenco(altrove.percorso());
    attesi.push_back(copia);
    std::sort(attesi.begin(), attesi.end());
    EXPECT_EQ(test::elenco(programma.percorso()), attesi);
    for (const std::string& nome : test::elenco(altrove.percorso()))
        EXPECT_EQ(test::leggi(programma.file(nome)), test::leggi(altrove.file(nome))) << nome;
}

// A path is never an option, also where the system's own options start with '/'.
TEST(CommandLine, APathStartingWithASlashIsAFile) {
    const auto r =
        esegui_binario({"check", "/binario-nessuna/L_linea.txt", "/binario-nessuna/L_T-.txt"});
    EXPECT_EQ(r.stato, 74) << r.err;
    EXPECT_NE(r.err.find("cannot read '/binario-nessuna/L_linea.txt'"), std::string::npos) << r.err;
}

// 'binario example' never replaces a file an author may have edited, unless --force.
TEST(CommandLine, ExampleRefusesToOverwriteWithoutForce) {
    test::cartella_temporanea dir;
    ASSERT_EQ(esegui_binario({"example", "."}, dir.percorso()).stato, 0);
    const std::string originale = test::leggi(dir.file(file_linea));

    struct caso {
        const char* nome;
        std::vector<std::string> presenti;  // edited files left in the folder, sorted
        std::string errore;
    };
    const caso casi[] = {
        {"both",
         {file_treno, file_linea},
         "binario example: './" + file_linea + "' and './" + file_treno +
             "' already exist; nothing was written (--force replaces them)\n"},
        {"only the train file",
         {file_treno},
         "binario example: './" + file_treno +
             "' already exists; nothing was written (--force replaces it)\n"},
    };
    for (const caso& c : casi) {
        SCOPED_TRACE(c.nome);
        for (const std::string& f : {file_linea, file_treno}) std::filesystem::remove(dir.file(f));
        for (const std::string& f : c.presenti) test::scrivi(dir.file(f), "edited " + f);

        esito_processo r = esegui_binario({"example", "."}, dir.percorso());
        EXPECT_EQ(r.stato, 73);
        EXPECT_EQ(r.err, c.errore);
        EXPECT_EQ(test::elenco(dir.percorso()), c.presenti);
        for (const std::string& f : c.presenti) EXPECT_EQ(test::leggi(dir.file(f)), "edited " + f);

        r = esegui_binario({"example", ".", "--force"}, dir.percorso());
        EXPECT_EQ(r.stato, 0) << r.err;
        EXPECT_EQ(test::leggi(dir.file(file_linea)), originale);
        EXPECT_NE(test::leggi(dir.file(file_treno)), "edited " + file_treno);
    }
}

// '-o -' is standard output for a command that writes one file, and never a file
// named "-"; a command that writes two refuses it.
TEST(CommandLine, DashAsOutputIsStandardOutput) {
    test::cartella_temporanea dir;
    ASSERT_EQ(esegui_binario({"example", "."}, dir.percorso()).stato, 0);
    ASSERT_EQ(
        esegui_binario({"render", file_linea, file_treno, "-o", "line.svg"}, dir.percorso()).stato,
        0);
    const std::string svg = test::leggi(dir.file("line.svg"));
    ASSERT_NE(svg.find("<svg"), std::string::npos);

    for (const char* o : {"-o", "--output"}) {
        esito_processo r =
            esegui_binario({"render", file_linea, file_treno, o, "-"}, dir.percorso());
        EXPECT_EQ(r.stato, 0) << r.err;
        EXPECT_EQ(r.out, svg);
        EXPECT_FALSE(test::esiste(dir.file("-")));
    }
    // './-' still names a file.
    ASSERT_EQ(esegui_binario({"render", file_linea, file_treno, "-o", "./-"}, dir.percorso()).stato,
              0);
    EXPECT_EQ(test::leggi(dir.file("-")), svg);
    std::filesystem::remove(dir.file("-"));

    std::filesystem::create_directory(dir.file("out"));
    ASSERT_EQ(
        esegui_binario({"compile", file_linea, file_treno, "--out", "out"}, dir.percorso()).stato,
        0);
    esito_processo r = esegui_binario({"decompile", "out", "-o", "-"}, dir.percorso());
    EXPECT_EQ(r.stato, 64);
    EXPECT_NE(r.err.find("'-' (standard output) cannot hold both"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(test::esiste(dir.file("-")));
}

}  // namespace
}  // namespace binario
