// The output folder as a transaction: writers take turns, a writer killed at any
// rename leaves a folder the next writer (or 'binario recover') brings back to
// one whole set, leftovers of dead writers never block a write, and the report
// says what the folder holds after a failure. Also the refusal of inputs that
// are not plain description files of a sane size.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/file_names.h"
#include "common/set_journal.h"
#include "common/text_file_writer.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "formats/compiled_limits.h"
#include "fuzz/fuzz_entries.h"
#include "platform/folder_lock.h"
#include "platform/temp_files.h"
#include "platform/utf8_paths.h"
#include "test_support.h"

namespace binario {
namespace {

using test::cartella_temporanea;
using insieme = std::map<std::string, std::string>;  // file name -> bytes

const std::string linea = "Lavena_Torre Alta";
const std::string treno = "A 1";
const std::vector<std::string> nomi_set = {nome_file_piano(linea), nome_file_tabella(linea, treno),
                                           nome_file_celle(linea, treno)};

#ifdef _WIN32
// strace is a Linux tool: on Windows these tests say so rather than pass.
#define SENZA_STRACE_SALTA() GTEST_SKIP() << "faults are injected with strace, a Linux tool"
#else
// Whether strace is there to inject faults. LeakSanitizer cannot work under ptrace:
// a sanitized binario run by strace would end with its fatal error instead of its own
// status, so the runs of a test that uses strace leave leak checking to the others.
bool strace_presente() {
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string opzioni = std::string(asan != nullptr ? asan : "") + ":detect_leaks=0";
    ::setenv("ASAN_OPTIONS", opzioni.c_str(), 1);
    return std::system("strace -V >/dev/null 2>&1") == 0;
}
#define SENZA_STRACE_SALTA() \
    if (!strace_presente()) GTEST_SKIP() << "strace is not installed"
#endif

// Two scenarios with the same file names and different compiled files, their
// description files in a folder of their own.
struct scenari {
    cartella_temporanea a, b;
    scenari() {
        test::scrivi(a.file(nome_file_linea(linea)), componi_righe(righe_linea()));
        test::scrivi(b.file(nome_file_linea(linea)),
                     "[generale]\r\nlunghezza percorso, 60000\r\n[fine]\r\n");
        for (auto* c : {&a, &b})
            test::scrivi(c->file(nome_file_treno(linea, treno)), componi_righe(righe_treno()));
    }
    std::vector<std::string> compile(const cartella_temporanea& da, const std::string& out) const {
        return {"compile", da.file(nome_file_linea(linea)), da.file(nome_file_treno(linea, treno)),
                "--out", out};
    }
};

insieme leggi_set(const std::string& cartella) {
    insieme s;
    for (const std::string& n : nomi_set) s[n] = test::leggi(cartella + "/" + n);
    return s;
}

// The set a compile of `da` writes into an empty folder.
insieme set_di(const scenari& sc, const cartella_temporanea& da) {
    cartella_temporanea c;
    const auto r = test::esegui_binario(sc.compile(da, c.percorso()));
    EXPECT_EQ(r.stato, 0) << r.err;
    return leggi_set(c.percorso());
}

// What a writer leaves besides the set: temporaries, second names, a journal.
std::vector<std::string> avanzi(const std::string& cartella) {
    std::vector<std::string> v;
    for (const std::string& f : test::elenco(cartella))
        if (f[0] == '.') v.push_back(f);
    return v;
}

// A writer killed at each of its renames (the journal's, then the plan's, the
// table's, the cells'), its folder then mended by recover or by the next compile.
TEST(OutputFolder, KilledAtEachRenameTheFolderComesBackWhole) {
    SENZA_STRACE_SALTA();
    scenari sc;
    const insieme vecchio = set_di(sc, sc.a), nuovo = set_di(sc, sc.b);
    ASSERT_NE(vecchio, nuovo);
    for (int quale = 1; quale <= 4; ++quale) {
        for (bool con_recover : {true, false}) {
            SCOPED_TRACE("killed at rename " + std::to_string(quale) +
                         (con_recover ? ", then recover" : ", then compile"));
            cartella_temporanea out;
            ASSERT_EQ(test::esegui_binario(sc.compile(sc.a, out.percorso())).stato, 0);
            const auto ucciso = test::esegui_binario_con(
                {"strace", "-f", "-o", "/dev/null", "-e", "trace=rename", "-e",
                 "inject=rename:signal=SIGKILL:when=" + std::to_string(quale)},
                sc.compile(sc.b, out.percorso()));
            EXPECT_NE(ucciso.stato, 0);
            if (con_recover) {
                const auto r = test::esegui_binario({"recover", out.percorso()});
                EXPECT_EQ(r.stato, 0) << r.err;
                // Killed before the journal was in place the set was never touched;
                // after it, the old set is put back.
                EXPECT_EQ(leggi_set(out.percorso()), vecchio);
                EXPECT_NE(r.out.find(quale == 1 ? "removed" : "are back"), std::string::npos)
                    << r.out;
            } else {
                const auto r = test::esegui_binario(sc.compile(sc.b, out.percorso()));
                EXPECT_EQ(r.stato, 0) << r.err;
                EXPECT_EQ(leggi_set(out.percorso()), nuovo);
            }
            EXPECT_TRUE(avanzi(out.percorso()).empty()) << avanzi(out.percorso()).front();
        }
    }
}

// Two compiles into one folder, the first one slowed between its renames: the
// second waits for it, says so, and the folder ends with its whole set.
TEST(OutputFolder, TwoWritersAtOnceLeaveOneWholeSet) {
    SENZA_STRACE_SALTA();
    scenari sc;
    const insieme primo = set_di(sc, sc.a), secondo = set_di(sc, sc.b);
    cartella_temporanea out;
    test::processo_binario lento({"strace", "-f", "-o", "/dev/null", "-e", "trace=rename", "-e",
                                  "inject=rename:delay_enter=2500000:when=2"},
                                 sc.compile(sc.a, out.percorso()));
    // Until the slow writer holds the folder (a sanitized build starts slowly), a run
    // that will not wait finds the folder free and writes.
    auto senza_attesa = sc.compile(sc.b, out.percorso());
    senza_attesa.push_back("--no-wait");
    test::esito_processo occupata;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        occupata = test::esegui_binario(senza_attesa);
    } while (occupata.stato != 75 && std::chrono::steady_clock::now() < limite);
    const auto r = test::esegui_binario(sc.compile(sc.b, out.percorso()));
    EXPECT_EQ(lento.attendi(), 0);
    EXPECT_EQ(occupata.stato, 75) << occupata.err;
    EXPECT_NE(occupata.err.find("in use by another writer"), std::string::npos) << occupata.err;
    EXPECT_EQ(r.stato, 0) << r.err;
    EXPECT_NE(r.err.find("waiting for another writer"), std::string::npos) << r.err;
    EXPECT_EQ(leggi_set(out.percorso()), secondo);
    EXPECT_NE(primo, secondo);
    EXPECT_TRUE(avanzi(out.percorso()).empty());
}

// The lock alone, without strace: while this process holds the folder, a run
// into it neither writes nor ends; it does both once the folder is free.
TEST(OutputFolder, ARunWaitsForTheFolder) {
    cartella_temporanea out;
    std::unique_ptr<test::processo_binario> run;
    {
        blocco_cartella tenuto(out.percorso());
        run = std::make_unique<test::processo_binario>(
            std::vector<std::string>{}, std::vector<std::string>{"run", "--dir", out.percorso()});
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_TRUE(run->in_corso()) << "the run did not wait";
        EXPECT_TRUE(test::elenco(out.percorso()).empty());
        EXPECT_EQ(test::esegui_binario({"run", "--dir", out.percorso(), "--no-wait"}).stato, 75);
    }
    EXPECT_EQ(run->attendi(), 0);
    EXPECT_EQ(test::elenco(out.percorso()).size(), 6u);
}

// A process with id 1 (every container's first) used these names before the
// names were random; what it left must not stop a run, and goes.
TEST(OutputFolder, StaleTemporariesOfAnotherProcessOneDoNotBlock) {
    scenari sc;
    cartella_temporanea riferimento;
    ASSERT_EQ(test::esegui_binario({"run", "--dir", riferimento.percorso()}).stato, 0);
    const std::vector<std::string> sei = test::elenco(riferimento.percorso());
    ASSERT_EQ(sei.size(), 6u);
    for (const char* comando : {"run", "compile"}) {
        SCOPED_TRACE(comando);
        cartella_temporanea out;
        std::vector<std::string> nomi = sei;
        nomi.push_back(nome_file_linea(linea));
        nomi.push_back(nome_file_treno(linea, treno));
        for (const std::string& n : nomi)
            for (int k = 0; k < 3; ++k)
                test::scrivi(out.file("." + n + ".tmp-1-" + std::to_string(k)),
                             std::string(100000, 'x'));
        const auto r = test::esegui_binario(
            std::string(comando) == "run" ? std::vector<std::string>{"run", "--dir", out.percorso()}
                                          : sc.compile(sc.a, out.percorso()));
        EXPECT_EQ(r.stato, 0) << r.err;
        EXPECT_TRUE(avanzi(out.percorso()).empty());
        for (const std::string& n : std::string(comando) == "run" ? sei : nomi_set)
            EXPECT_TRUE(test::leggi(out.file(n)) == test::leggi(riferimento.file(n))) << n;
    }
}

// Temporary names never repeat within a process, and a child made by fork does
// not go on with its parent's sequence (two writers into one folder would then
// try the same names).
TEST(OutputFolder, TemporaryNamesDifferWithinAProcessAndAfterFork) {
#ifdef _WIN32
    GTEST_SKIP() << "fork is a POSIX call; on Windows each name is a draw of its own";
#else
    std::set<std::string> visti;
    for (int i = 0; i < 10000; ++i) {
        const std::string n = suffisso_casuale();
        ASSERT_EQ(n.size(), 16u);
        ASSERT_TRUE(visti.insert(n).second) << n;
    }
    int tubo[2];
    ASSERT_EQ(::pipe(tubo), 0);
    const pid_t figlio = ::fork();
    ASSERT_GE(figlio, 0);
    if (figlio == 0) {
        const std::string n = suffisso_casuale();
        const ssize_t scritti = ::write(tubo[1], n.data(), n.size());
        ::_exit(scritti == static_cast<ssize_t>(n.size()) ? 0 : 1);
    }
    ::close(tubo[1]);
    const std::string del_padre = suffisso_casuale();
    char b[16];
    ASSERT_EQ(::read(tubo[0], b, sizeof b), static_cast<ssize_t>(sizeof b));
    ::close(tubo[0]);
    int stato = 0;
    ASSERT_EQ(::waitpid(figlio, &stato, 0), figlio);
    EXPECT_EQ(stato, 0);
    const std::string del_figlio(b, sizeof b);
    EXPECT_NE(del_figlio, del_padre);
    EXPECT_EQ(visti.count(del_figlio), 0u);
#endif
}

TEST(OutputFolder, AReplacedFileKeepsItsPermissionBits) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files carry a read-only flag, not permission bits";
#endif
    scenari sc;
    cartella_temporanea out;
    const unsigned modi[] = {0444, 0600, 0640};
    for (size_t i = 0; i < nomi_set.size(); ++i) {
        test::scrivi(out.file(nomi_set[i]), "old");
        ASSERT_EQ(::chmod(out.file(nomi_set[i]).c_str(), modi[i]), 0);
    }
    ASSERT_EQ(test::esegui_binario(sc.compile(sc.a, out.percorso())).stato, 0);
    for (size_t i = 0; i < nomi_set.size(); ++i) {
        struct stat st {};
        ASSERT_EQ(::stat(out.file(nomi_set[i]).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, modi[i]) << nomi_set[i];
        EXPECT_NE(test::leggi(out.file(nomi_set[i])), "old");
    }
}

// A rename refused after the plan was replaced: the old set comes back, and the
// report lists no file as written and says the old files are back.
TEST(OutputFolder, AfterARollbackNothingIsReportedAsWritten) {
    SENZA_STRACE_SALTA();
    scenari sc;
    const insieme vecchio = set_di(sc, sc.a);
    for (bool json : {false, true}) {
        SCOPED_TRACE(json ? "--json" : "plain");
        cartella_temporanea out;
        ASSERT_EQ(test::esegui_binario(sc.compile(sc.a, out.percorso())).stato, 0);
        auto argomenti = sc.compile(sc.b, out.percorso());
        if (json) argomenti.push_back("--json");
        // Renames: the journal's, the plan's, then the table's, which fails.
        const auto r =
            test::esegui_binario_con({"strace", "-f", "-o", "/dev/null", "-e", "trace=rename", "-e",
                                      "inject=rename:error=EPERM:when=3"},
                                     argomenti);
        EXPECT_EQ(r.stato, 74) << r.err;
        EXPECT_NE(r.err.find(nomi_set[1]), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("are back as they were"), std::string::npos) << r.err;
        if (json)
            EXPECT_NE(r.out.find("\"files\": []"), std::string::npos) << r.out;
        else
            EXPECT_EQ(r.out, "");
        EXPECT_EQ(leggi_set(out.percorso()), vecchio);
        EXPECT_TRUE(avanzi(out.percorso()).empty());
    }
}

TEST(OutputFolder, JournalRoundTripAndRefusals) {
    const std::vector<voce_giornale> voci = {
        {"L_linea.dat", ".L_linea.dat.tmp-0123456789abcdef", ".L_linea.dat.tmp-1"},
        {"L_A 1.sim", ".L_A 1.sim.tmp-2", ""},
        {"a\nb", ".a\nb.tmp-3", ".a\nb.tmp-4"}};
    const std::string testo = serializza_giornale(voci);
    EXPECT_EQ(analizza_giornale(testo), voci);
    const std::string buoni = serializza_giornale({voci[0]});
    const struct {
        const char* caso;
        std::string testo;
    } rifiutati[] = {
        {"empty", ""},
        {"cut short", testo.substr(0, testo.size() - 2)},
        {"trailing bytes", testo + "x"},
        {"another program's", "journal 1\n0\nend\n"},
        {"a target in another folder", serializza_giornale({{"../x", voci[0].temporaneo, ""}})},
        {"a target that is the folder", serializza_giornale({{"..", voci[0].temporaneo, ""}})},
        {"a temporary not of this program",
         serializza_giornale({{"x", "user file.txt", voci[0].copia}})},
        {"a second name in another folder",
         serializza_giornale({{"x", voci[0].temporaneo, "/etc/.x.tmp-1"}})},
        {"a length past the end", "binario journal 1\n1\n99 x\n"},
        {"a huge count", "binario journal 1\n99999999999999999999\nend\n"},
    };
    for (const auto& r : rifiutati) EXPECT_FALSE(analizza_giornale(r.testo)) << r.caso;
    EXPECT_TRUE(analizza_giornale(buoni));
}

// A journal left by a writer killed half-way, made by hand: two files already
// new, one still old; recover puts the old ones back. A journal that is not one
// is reported, and nothing is touched.
TEST(OutputFolder, RecoverPutsTheOldSetBackFromAJournal) {
    cartella_temporanea out;
    test::scrivi(out.file("a"), "new a");
    test::scrivi(out.file(".a.tmp-1"), "old a");
    test::scrivi(out.file("b"), "new b");  // had no old file
    test::scrivi(out.file("c"), "old c");
    std::filesystem::create_hard_link(path_from_utf8(out.file("c")),
                                      path_from_utf8(out.file(".c.tmp-2")));
    test::scrivi(out.file(".c.tmp-3"), "new c");
    test::scrivi(out.file(nome_giornale), serializza_giornale({{"a", ".a.tmp-9", ".a.tmp-1"},
                                                               {"b", ".b.tmp-8", ""},
                                                               {"c", ".c.tmp-3", ".c.tmp-2"}}));
    auto r = test::esegui_binario({"recover", out.percorso()});
    EXPECT_EQ(r.stato, 0) << r.err;
    EXPECT_EQ(test::elenco(out.percorso()), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(test::leggi(out.file("a")), "old a");
    EXPECT_EQ(test::leggi(out.file("c")), "old c");

    test::scrivi(out.file(nome_giornale), "binario journal 1\n1\n1 /\n");
    r = test::esegui_binario({"recover", out.percorso()});
    EXPECT_EQ(r.stato, 74);
    EXPECT_NE(r.err.find("not a journal"), std::string::npos) << r.err;
    EXPECT_EQ(test::elenco(out.percorso()),
              (std::vector<std::string>{".binario-journal", "a", "c"}));
    // A compile into it refuses as well rather than write over a set it cannot mend.
    scenari sc;
    r = test::esegui_binario(sc.compile(sc.a, out.percorso()));
    EXPECT_EQ(r.stato, 74);
    EXPECT_NE(r.err.find("not a journal"), std::string::npos) << r.err;
}

// Inputs that are not a description file of a sane size: refused with the
// reason, promptly, whatever they would give if read.
TEST(OutputFolder, InputsThatAreNotPlainFilesAreRefusedWithTheReason) {
    cartella_temporanea c;
    const std::string treno_file = c.file(nome_file_treno(linea, treno));
    test::scrivi(treno_file, componi_righe(righe_treno()));
#ifndef _WIN32
    // Windows has no FIFOs and no /dev/zero, and makes links only for administrators.
    ASSERT_EQ(::mkfifo(c.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("loop_b", c.file("loop_a").c_str()), 0);
    ASSERT_EQ(::symlink("loop_a", c.file("loop_b").c_str()), 0);
#endif
    ASSERT_TRUE(test::crea_cartella(c.file("folder")));
    {
        // Sparse: larger than a description file may be, at no cost on disk.
        FILE* f = std::fopen(c.file("huge").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(::ftruncate(::fileno(f), (64 << 20) + 1), 0);
        std::fclose(f);
    }
    struct caso {
        std::string percorso;
        int stato;
        const char* motivo;
    };
    const std::vector<caso> casi = {
#ifndef _WIN32
        {c.file("fifo"), 74, "not a regular file"},
        {"/dev/zero", 74, "not a regular file"},
        {c.file("loop_a"), 74, std::strerror(ELOOP)},
#endif
        {c.file("folder"), 74, std::strerror(EISDIR)},
        {c.file("huge"), 65, "larger than 67108864 bytes"},
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(k.percorso);
        const auto inizio = std::chrono::steady_clock::now();
        const auto r = test::esegui_binario({"check", k.percorso, treno_file, "--linea", linea});
        EXPECT_LT(std::chrono::steady_clock::now() - inizio, std::chrono::seconds(5));
        EXPECT_EQ(r.stato, k.stato) << r.err;
        EXPECT_NE(r.err.find(k.motivo), std::string::npos) << r.err;
    }
}

// The readers' size limits hold every file of the longest line, and a file
// larger than them is refused from its size, before it is read.
TEST(OutputFolder, CompiledFilesLargerThanTheCompilerWritesAreRefusedUnread) {
    cartella_temporanea c;
    test::scrivi(c.file(nome_file_linea(linea)),
                 "[generale]\r\nlunghezza percorso, 1000000\r\n[fine]\r\n[curve]\r\n"
                 "curvad6, 100, 500000\r\n");
    test::scrivi(c.file(nome_file_treno(linea, treno)), componi_righe(righe_treno()));
    const auto r =
        test::esegui_binario({"compile", c.file(nome_file_linea(linea)),
                              c.file(nome_file_treno(linea, treno)), "--out", c.percorso()});
    ASSERT_EQ(r.stato, 0) << r.err;
    const struct {
        std::string nome;
        const char* tipo;
    } files[] = {{nomi_set[0], "plan"}, {nomi_set[1], "table"}, {nomi_set[2], "cells"}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.nome);
        struct stat st {};
        ASSERT_EQ(::stat(c.file(f.nome).c_str(), &st), 0);
        EXPECT_LE(static_cast<uint64_t>(st.st_size), byte_massimi_compilato(f.tipo));
        EXPECT_EQ(test::esegui_binario({"inspect", c.file(f.nome)}).stato, 0);
    }
    EXPECT_EQ(
        test::esegui_binario({"render", "--compiled", c.percorso(), "-o", c.file("a.svg")}).stato,
        0);
    for (const auto& f : files) {
        SCOPED_TRACE(f.nome);
        cartella_temporanea grande;
        for (const auto& g : files)
            std::filesystem::create_hard_link(path_from_utf8(c.file(g.nome)),
                                              path_from_utf8(grande.file(g.nome)));
        ASSERT_EQ(::unlink(grande.file(f.nome).c_str()), 0);
        FILE* h = std::fopen(grande.file(f.nome).c_str(), "wb");
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(::ftruncate(::fileno(h), static_cast<off_t>(byte_massimi_compilato(f.tipo) + 1)),
                  0);
        std::fclose(h);
        const auto i = test::esegui_binario({"inspect", grande.file(f.nome)});
        EXPECT_EQ(i.stato, 65) << i.err;
        EXPECT_NE(i.err.find("larger than any"), std::string::npos) << i.err;
        const auto d = test::esegui_binario(
            {"render", "--compiled", grande.percorso(), "-o", grande.file("a.svg")});
        EXPECT_EQ(d.stato, 65) << d.err;
        EXPECT_NE(d.err.find("larger than any"), std::string::npos) << d.err;
    }
}

// A folder with a journal (a writer killed between its renames): inspect says
// so and how to mend it; render refuses to draw a mix of two sets.
TEST(OutputFolder, ReadersTellOfASetCutShort) {
    scenari sc;
    cartella_temporanea out;
    ASSERT_EQ(test::esegui_binario(sc.compile(sc.a, out.percorso())).stato, 0);
    test::scrivi(out.file(nome_giornale), serializza_giornale({}));
    const auto i = test::esegui_binario({"inspect", out.file(nomi_set[2])});
    EXPECT_EQ(i.stato, 0) << i.err;
    EXPECT_NE(i.err.find("binario recover " + out.percorso()), std::string::npos) << i.err;
    const auto d =
        test::esegui_binario({"render", "--compiled", out.percorso(), "-o", out.file("a.svg")});
    EXPECT_EQ(d.stato, 65) << d.err;
    EXPECT_NE(d.err.find("binario recover " + out.percorso()), std::string::npos) << d.err;
    EXPECT_FALSE(test::esiste(out.file("a.svg")));
}

// Byte offset of plan element `n`, walking the tags.
size_t offset_elemento(const std::string& piano, size_t n) {
    size_t o = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned tag = static_cast<unsigned char>(piano[o]);
        o += tag == 5 ? 10 : tag == 2 ? 4 : 2;
    }
    return o;
}

// The plan with the value bytes of some real elements changed by `cambia`; the
// elements are counted over both columns, x first.
template <class Cambia>
std::string con_reali_cambiati(std::string piano, size_t metri, Cambia&& cambia) {
    size_t o = 0;
    for (size_t e = 0; o < piano.size(); ++e) {
        const unsigned tag = static_cast<unsigned char>(piano[o]);
        if (tag == 5) {
            double v;
            std::memcpy(&v, piano.data() + o + 2, sizeof v);
            v = cambia(e % metri, e / metri, v);
            std::memcpy(piano.data() + o + 2, &v, sizeof v);
        }
        o += tag == 5 ? 10 : tag == 2 ? 4 : 2;
    }
    return piano;
}

// Bytes that decode as a plan but are no plan the compiler writes: refused by
// inspect and render, naming the metre where the track jumps; the plans compiles
// write, stopped early or not, pass.
TEST(OutputFolder, PlansThatAreNoTrackAreRefused) {
    cartella_temporanea c;
    ASSERT_EQ(test::esegui_binario({"run", "--dir", c.percorso()}).stato, 0);
    const std::string piano = test::leggi(c.file(nomi_set[0]));
    size_t elementi = 0;
    for (size_t o = 0; o < piano.size(); ++elementi) o = offset_elemento(piano, elementi + 1);
    const size_t metri = elementi / 2;
    const std::string colonna_x = piano.substr(0, offset_elemento(piano, metri));
    // The x column moved back by one metre from metre 1000 to 29999.
    const std::string spostato =
        piano.substr(0, offset_elemento(piano, 1000)) +
        piano.substr(offset_elemento(piano, 1001),
                     offset_elemento(piano, 30001) - offset_elemento(piano, 1001)) +
        piano.substr(offset_elemento(piano, 30000));
    const struct {
        const char* caso;
        std::string byte;
        bool valido;
        std::string motivo = {};  // part of the refusal
    } casi[] = {
        {"whole", piano, true},
        {"cut at an element boundary", piano.substr(0, offset_elemento(piano, elementi - 200)),
         false},
        {"the x column alone", colonna_x, false},
        {"two plans joined", piano + piano, false},
        {"all empty, as a compile stopped before the plan writes it", std::string(4 * 7001, '\0'),
         true},
        {"all empty, shorter than any compile writes", std::string(200, '\0'), false,
         "runs from metre 0 to 49"},
        {"x shifted by a metre", spostato, false, "metre 1000: the track jumps"},
        {"zeroed from metre 20000 on",
         con_reali_cambiati(piano, metri,
                            [](size_t t, size_t, double v) { return t >= 20000 ? 0.0 : v; }),
         false, "metre 20000: the track jumps"},
        {"a point moved by a millimetre",
         con_reali_cambiati(
             piano, metri,
             [](size_t t, size_t col, double v) { return t == 5000 && col == 0 ? v + 0.001 : v; }),
         false, "metre 5000: the track jumps"},
        {"the whole track moved",
         con_reali_cambiati(piano, metri, [](size_t, size_t, double v) { return v + 0.5; }), false,
         "metre 2: the track jumps"},
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(k.caso);
        cartella_temporanea d;
        for (const std::string& n : nomi_set)
            if (n != nomi_set[0]) test::scrivi(d.file(n), test::leggi(c.file(n)));
        test::scrivi(d.file(nomi_set[0]), k.byte);
        const auto i = test::esegui_binario({"inspect", d.file(nomi_set[0])});
        EXPECT_EQ(i.stato, k.valido ? 0 : 65) << i.err;
        EXPECT_NE(i.err.find(k.motivo), std::string::npos) << i.err;
        const auto r =
            test::esegui_binario({"render", "--compiled", d.percorso(), "-o", d.file("a.svg")});
        EXPECT_EQ(r.stato, k.valido ? 0 : 65) << r.err;
    }
}

// The set writer with each of its system calls failing in turn, alone or as the
// point where the process dies, for sets of one to three files with and without
// old versions (the fuzz target's checks, every call instead of a sample).
TEST(OutputFolder, TheSetWriterFailingOrDyingAtEachCall) {
    int casi = 0;
    for (int n = 0; n < 3; ++n)
        for (int vecchi : {0, 2, 7})
            for (int modo = 0; modo < 8; ++modo)
                for (int chiamata = 0; chiamata < 40; ++chiamata) {
                    std::string d;
                    d += static_cast<char>(n);
                    d += static_cast<char>(chiamata);
                    d += '\0';
                    d += static_cast<char>(modo);
                    d += static_cast<char>(vecchi);
                    for (const char* c : {"old a", "old b", "old c", "new a", "new b", "new c"}) {
                        d += static_cast<char>(std::strlen(c));
                        d += c;
                    }
                    // Old contents are taken only for the files that have one.
                    EXPECT_EQ(fuzz::prova_scrittura_insieme(d), "")
                        << n + 1 << " files, old " << vecchi << ", way " << modo << ", call "
                        << chiamata;
                    ++casi;
                }
    EXPECT_GT(casi, 0);
}

}  // namespace
}  // namespace binario
