// The compile service as tools other than the command line call it: sources in
// memory, no output folder, faults of the request as values.
#include "service/compile_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/file_names.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "formats/compiled_files.h"
#include "test_support.h"

namespace binario {
namespace {

const std::string linea = "Lavena_Torre Alta";
const std::string treno = "A 1";

// An unsaved buffer compiles as the same text saved on disk would, and nothing is
// written when no folder is given.
TEST(CompileService, TextInMemoryCompilesAsTheSameFileOnDisk) {
    test::cartella_temporanea dir;
    dati_linea(dir.percorso(), linea);
    dati_treno(dir.percorso(), linea, treno);
    const std::string p_linea = dir.file(nome_file_linea(linea));
    const std::string p_treno = dir.file(nome_file_treno(linea, treno));

    compile_request da_disco;
    da_disco.line_file.path = p_linea;
    da_disco.train_file.path = p_treno;
    const compile_result a = compile_scenario(da_disco);

    compile_request in_memoria = da_disco;
    in_memoria.line_file.text = test::leggi(p_linea);
    in_memoria.line_file.path = dir.file("missing/" + nome_file_linea(linea));
    const compile_result b = compile_scenario(in_memoria);

    for (const compile_result* r : {&a, &b}) {
        ASSERT_FALSE(r->fault);
        EXPECT_TRUE(r->cells_built);
        EXPECT_FALSE(r->stop);
        EXPECT_FALSE(r->io_error);
        EXPECT_TRUE(r->written.empty());
        EXPECT_EQ(r->line_name, linea);
        EXPECT_EQ(r->train_code, treno);
        EXPECT_EQ(r->model.errore_numero, 0);
    }
    EXPECT_EQ(serializza_tabella(a.model), serializza_tabella(b.model));
    EXPECT_EQ(serializza_celle(a.model), serializza_celle(b.model));
    EXPECT_EQ(test::elenco(dir.percorso()),
              (std::vector<std::string>{nome_file_treno(linea, treno), nome_file_linea(linea)}));

    // An edit in the buffer is what gets compiled, not the file on disk.
    in_memoria.line_file.text = "[generale]\r\nlunghezza percorso, 5000\r\n[p]\r\n[fine]\r\n";
    const compile_result c = compile_scenario(in_memoria);
    EXPECT_TRUE(c.cells_built);
    EXPECT_LT(c.model.ultima_cella, a.model.ultima_cella);
}

TEST(CompileService, RequestFaultsComeBackAsValues) {
    test::cartella_temporanea dir;
    struct caso {
        const char* nome;
        std::string file_linea, file_treno;
        std::optional<std::string> linea, treno, cartella;
        std::optional<request_fault::kind> atteso;
    };
    using k = request_fault::kind;
    const std::string l = dir.file("L_linea.txt"), t = dir.file("L_T-.txt");
    const caso casi[] = {
        {"names from the file names", l, t, {}, {}, {}, {}},
        {"line name unknown", dir.file("l.txt"), t, {}, {}, {}, k::line_name_unknown},
        {"train code unknown", l, dir.file("t.txt"), {}, {}, {}, k::train_code_unknown},
        {"empty name", l, t, "", "T", {}, k::bad_name},
        {"slash in a name", l, t, {}, "a/b", {}, k::bad_name},
        {"no Windows-1252 byte", l, t, "\xCE\xA9", "T", {}, k::bad_name},
        {"no such folder", l, t, {}, {}, dir.file("nope"), k::no_output_folder},
        {"output over an input",
         l,
         dir.file("L_T.sim"),
         {},
         "T",
         dir.percorso(),
         k::output_is_input},
    };
    for (const caso& c : casi) {
        compile_request r;
        r.line_file = {c.file_linea, {}, "[generale]\r\nlunghezza percorso, 5000\r\n[fine]\r\n"};
        r.train_file = {c.file_treno, {}, "[generale]\r\n[fine]\r\n"};
        r.line_name = c.linea;
        r.train_code = c.treno;
        r.output_folder = c.cartella;
        test::scrivi(dir.file("L_T.sim"), "train file named like a table");
        const compile_result esito = compile_scenario(r);
        ASSERT_EQ(esito.fault.has_value(), c.atteso.has_value()) << c.nome;
        if (!c.atteso) continue;
        EXPECT_EQ(esito.fault->what, *c.atteso) << c.nome;
        EXPECT_FALSE(esito.fault->message.empty()) << c.nome;
        EXPECT_TRUE(esito.written.empty()) << c.nome;
        EXPECT_EQ(test::leggi(dir.file("L_T.sim")), "train file named like a table") << c.nome;
    }
}

// Which compiles write their set: the rule of the request against what the compile
// found. Whatever writes, writes the same bytes; what does not leaves the folder
// as it was.
TEST(CompileService, TheWriteRuleDecidesWhichCompilesWriteTheirSet) {
    test::cartella_temporanea dir;
    const std::string linea_buona = "[generale]\r\nlunghezza percorso, 5000\r\n[fine]\r\n";
    const std::string errore = "[generale]\r\nsabbia, 40000\r\n[fine]\r\n";
    const std::string avviso = "[generale]\r\nsabbia, 4 kg\r\n[fine]\r\n";
    const std::string pulito = "[generale]\r\nsabbia, 4\r\n[fine]\r\n";
    struct caso {
        const char* nome;
        std::optional<std::string> treno;  // none: the train file does not exist
        write_rule regola;
        bool avvisi_errori;
        bool scrive;
    };
    using w = write_rule;
    const caso casi[] = {
        {"clean, clean_only", pulito, w::clean_only, false, true},
        {"clean, warnings as errors", pulito, w::clean_only, true, true},
        {"error, clean_only", errore, w::clean_only, false, false},
        {"error, incomplete", errore, w::incomplete, false, true},
        {"error, always", errore, w::always, false, true},
        {"warning, clean_only", avviso, w::clean_only, false, true},
        {"warning as error, clean_only", avviso, w::clean_only, true, false},
        {"warning as error, incomplete", avviso, w::incomplete, true, true},
        {"missing train file, clean_only", std::nullopt, w::clean_only, false, false},
        {"missing train file, incomplete", std::nullopt, w::incomplete, false, false},
        {"missing train file, always", std::nullopt, w::always, false, true},
    };
    test::scrivi(dir.file("L_linea.txt"), linea_buona);
    std::optional<std::string> riferimento;  // the cells of the error case, as always writes them
    for (const caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const std::string out = dir.file(std::string("out ") + c.nome);
        std::filesystem::create_directory(out);
        const std::string celle = out + "/L_T.dat";
        test::scrivi(celle, "a good set's cells");
        std::filesystem::remove(dir.file("L_T-.txt"));
        if (c.treno) test::scrivi(dir.file("L_T-.txt"), *c.treno);
        compile_request r;
        r.line_file.path = dir.file("L_linea.txt");
        r.train_file.path = dir.file("L_T-.txt");
        r.output_folder = out;
        r.build_plan = false;
        r.writes = c.regola;
        r.warnings_count_as_errors = c.avvisi_errori;

        const compile_result esito = compile_scenario(r);

        ASSERT_FALSE(esito.fault);
        EXPECT_FALSE(esito.io_error);
        EXPECT_EQ(esito.withheld, !c.scrive);
        EXPECT_EQ(esito.written.size(), c.scrive ? 2u : 0u);
        if (!c.scrive) {
            EXPECT_EQ(test::leggi(celle), "a good set's cells");
            EXPECT_EQ(test::elenco(out), std::vector<std::string>({"L_T.dat"}));
            continue;
        }
        EXPECT_EQ(test::leggi(celle), serializza_celle(esito.model));
        if (c.treno == errore) {
            if (!riferimento) riferimento = test::leggi(celle);
            EXPECT_EQ(test::leggi(celle), *riferimento);
        }
    }
}

}  // namespace
}  // namespace binario
