// Failing disks: every system call of the compiled-file writer made to fail in
// turn (open, a write half-way, close, rename), a missing output folder, a folder
// standing where an output file should be, and the program killed while it writes.
// Afterwards the previous compiled files are intact, or the new set is complete;
// no file is ever left truncated and no temporary file is left behind on the
// failures the program sees.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/file_names.h"
#include "common/file_replace.h"
#include "common/set_journal.h"
#include "common/text_file_writer.h"
#include "compiler/compile_driver.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "formats/compiled_files.h"
#include "service/compiled_output.h"
#include "test_support.h"

namespace binario {
namespace {

using test::cartella_temporanea;

const std::string linea = "Lavena_Torre Alta";
const std::string treno = "A 1";
const std::string nome_piano = nome_file_piano(linea);
const std::string nome_tabella = nome_file_tabella(linea, treno);
const std::string nome_celle = nome_file_celle(linea, treno);

using test::da_testo;

// The built-in scenario, compiled, with or without the plan.
std::unique_ptr<modello> compilato(int32_t j = 1) {
    auto m = std::make_unique<modello>();
    m->linea = linea;
    m->treno = treno;
    compila_modello(*m, j, da_testo("l", componi_righe(righe_linea())),
                    da_testo("t", componi_righe(righe_treno())));
    return m;
}

// A folder holding the compiled files of an earlier run: short, recognisable bytes.
struct cartella_con_file_vecchi {
    cartella_temporanea cartella;
    std::map<std::string, std::string> vecchi{
        {nome_piano, "old plan file"}, {nome_tabella, "old table"}, {nome_celle, "old cells"}};
    std::vector<std::string> elenco_prima;

    cartella_con_file_vecchi() {
        for (const auto& [nome, contenuto] : vecchi) test::scrivi(file(nome), contenuto);
        elenco_prima = test::elenco(cartella.percorso());
    }
    std::string file(const std::string& nome) const { return cartella.file(nome); }
    // The earlier files are all there, byte for byte, and nothing else is.
    void intatta() const {
        EXPECT_EQ(test::elenco(cartella.percorso()), elenco_prima);
        for (const auto& [nome, contenuto] : vecchi) {
            const std::string ora = test::leggi(file(nome));
            EXPECT_TRUE(ora == contenuto)
                << nome << " is no longer the earlier file: " << ora.size() << " bytes instead of "
                << contenuto.size();
        }
    }
};

// The real system calls, each of which can be made to fail.
struct guasti {
    int apertura_fallisce = -1;  // which open (from 0) fails, with errno_apertura
    int errno_apertura = ENOSPC;
    long byte_disponibili = -1;    // bytes the disk takes in all; then ENOSPC (-1: no limit)
    bool scrittura_nulla = false;  // the full disk shows as a write of 0 bytes
    int interruzioni = 0;          // the first writes fail with EINTR
    int chiusura_fallisce = -1;    // which close fails, with EIO
    std::string rinomina_verso;    // the rename onto this name fails, with EXDEV

    int aperture = 0, chiusure = 0, rinomine = 0;
    long scritti = 0;

    file_ops ops() {
        const file_ops& sys = system_file_ops();
        file_ops o = sys;  // calls not wrapped below stay the real ones
        o.open_new = [this, &sys](const char* p) {
            if (aperture++ == apertura_fallisce) {
                errno = errno_apertura;
                return -1;
            }
            return sys.open_new(p);
        };
        o.write = [this, &sys](int fd, const char* d, size_t n) -> long {
            if (interruzioni > 0) {
                --interruzioni;
                errno = EINTR;
                return -1;
            }
            size_t ammessi = n;
            if (byte_disponibili >= 0) {
                const long resto = byte_disponibili - scritti;
                if (resto <= 0) {
                    if (scrittura_nulla) return 0;
                    errno = ENOSPC;
                    return -1;
                }
                ammessi = std::min(n, static_cast<size_t>(resto));
            }
            const long r = sys.write(fd, d, ammessi);
            if (r > 0) scritti += r;
            return r;
        };
        o.close = [this, &sys](int fd) {
            const int r = sys.close(fd);
            if (chiusure++ == chiusura_fallisce) {
                errno = EIO;
                return -1;
            }
            return r;
        };
        o.rename = [this, &sys](const char* a, const char* b) {
            ++rinomine;
            const std::string verso = b;
            if (!rinomina_verso.empty() && verso.size() >= rinomina_verso.size() &&
                verso.compare(verso.size() - rinomina_verso.size(), rinomina_verso.size(),
                              rinomina_verso) == 0) {
                errno = EXDEV;
                return -1;
            }
            return sys.rename(a, b);
        };
        return o;
    }
};

// Runs the writer with the faults and checks the error it reports.
void fallisce(const modello& m, guasti& g, const cartella_con_file_vecchi& c,
              const std::string& nome_atteso, int errno_atteso) {
    try {
        scrivi_file_compilati(m, c.cartella.percorso(), g.ops());
        ADD_FAILURE() << "the write did not fail";
    } catch (const file_error& e) {
        EXPECT_EQ(e.percorso(), c.file(nome_atteso));
        EXPECT_EQ(e.motivo(), std::strerror(errno_atteso));
        // The message names the file and the reason.
        EXPECT_NE(std::string(e.what()).find(nome_atteso), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::strerror(errno_atteso)), std::string::npos)
            << e.what();
    }
}

TEST(FailingDisk, OpenFailingLeavesTheEarlierFiles) {
    auto m = compilato();
    const std::string nomi[] = {nome_piano, nome_tabella, nome_celle};
    for (int i = 0; i < 3; ++i) {
        for (int e : {ENOSPC, EACCES, EMFILE}) {
            SCOPED_TRACE(nomi[i] + ": " + std::strerror(e));
            cartella_con_file_vecchi c;
            guasti g;
            g.apertura_fallisce = i;
            g.errno_apertura = e;
            fallisce(*m, g, c, nomi[i], e);
            c.intatta();
        }
    }
}

TEST(FailingDisk, DiskFullHalfWay) {
    auto m = compilato();
    const long piano = static_cast<long>(serializza_piano(*m).size());
    const long tabella = static_cast<long>(serializza_tabella(*m).size());
    const long celle = static_cast<long>(serializza_celle(*m).size());
    struct caso {
        long byte;
        std::string nome;
    } casi[] = {
        {0, nome_piano},
        {1, nome_piano},
        {piano / 2, nome_piano},
        {piano - 1, nome_piano},
        {piano, nome_tabella},
        {piano + tabella / 2, nome_tabella},
        {piano + tabella + 15 * 100 + 7, nome_celle},
        {piano + tabella + celle - 1, nome_celle},
    };
    for (const caso& k : casi) {
        for (bool nulla : {false, true}) {
            SCOPED_TRACE(std::to_string(k.byte) + " bytes free" + (nulla ? ", write of 0" : ""));
            cartella_con_file_vecchi c;
            guasti g;
            g.byte_disponibili = k.byte;
            g.scrittura_nulla = nulla;
            fallisce(*m, g, c, k.nome, ENOSPC);
            c.intatta();
        }
    }
}

TEST(FailingDisk, CloseFailingLeavesTheEarlierFiles) {
    auto m = compilato();
    const std::string nomi[] = {nome_piano, nome_tabella, nome_celle};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(nomi[i]);
        cartella_con_file_vecchi c;
        guasti g;
        g.chiusura_fallisce = i;
        fallisce(*m, g, c, nomi[i], EIO);
        c.intatta();
    }
}

// A failed rename after others succeeded would leave a mix of old and new files;
// the error says whether any had been replaced (and put back).
TEST(FailingDisk, RenameFailingLeavesTheEarlierFiles) {
    auto m = compilato();
    using stato = errore_insieme::stato;
    const struct {
        std::string nome;
        stato atteso;
    } casi[] = {{nome_giornale, stato::invariato},
                {nome_piano, stato::invariato},
                {nome_tabella, stato::rimesso},
                {nome_celle, stato::rimesso}};
    for (const auto& k : casi) {
        SCOPED_TRACE(k.nome);
        cartella_con_file_vecchi c;
        guasti g;
        g.rinomina_verso = "/" + k.nome;
        fallisce(*m, g, c, k.nome, EXDEV);
        c.intatta();
        try {
            scrivi_file_compilati(*m, c.cartella.percorso(), g.ops());
        } catch (const errore_insieme& e) {
            EXPECT_EQ(static_cast<int>(e.esito()), static_cast<int>(k.atteso));
        }
    }
}

TEST(FailingDisk, InterruptedWritesAreResumed) {
    auto m = compilato();
    cartella_con_file_vecchi c;
    guasti g;
    g.interruzioni = 3;
    scrivi_file_compilati(*m, c.cartella.percorso(), g.ops());
    EXPECT_TRUE(test::leggi(c.file(nome_piano)) == serializza_piano(*m));
    EXPECT_TRUE(test::leggi(c.file(nome_tabella)) == serializza_tabella(*m));
    EXPECT_TRUE(test::leggi(c.file(nome_celle)) == serializza_celle(*m));
    EXPECT_EQ(test::elenco(c.cartella.percorso()), c.elenco_prima);
}

// Without the plan switch the plan file is neither written nor touched on failure.
TEST(FailingDisk, WithoutThePlanOnlyTwoFilesAreAtStake) {
    auto m = compilato(0);
    cartella_con_file_vecchi c;
    guasti g;
    g.apertura_fallisce = 0;
    fallisce(*m, g, c, nome_tabella, ENOSPC);
    c.intatta();
}

// ---- Real failures ------------------------------------------------------------

TEST(FailingDisk, OutputFolderMissing) {
    auto m = compilato();
    cartella_temporanea c;
    const std::string manca = c.file("missing");
    try {
        scrivi_file_compilati(*m, manca);
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const file_error& e) {
        EXPECT_EQ(e.percorso(), manca + "/" + nome_piano);
        EXPECT_EQ(e.motivo(), std::strerror(ENOENT));
    }
    EXPECT_TRUE(test::elenco(c.percorso()).empty());
}

// A folder with a file in it where an output file should be: the rename onto it fails.
TEST(FailingDisk, FolderWhereAnOutputFileShouldBe) {
    auto m = compilato();
    for (const std::string& nome : {nome_piano, nome_tabella, nome_celle}) {
        SCOPED_TRACE(nome);
        cartella_con_file_vecchi c;
        ::unlink(c.file(nome).c_str());
        c.vecchi.erase(nome);
        ASSERT_TRUE(test::crea_cartella(c.file(nome)));
        test::scrivi(c.file(nome) + "/inside", "user data");
        c.elenco_prima = test::elenco(c.cartella.percorso());
        try {
            scrivi_file_compilati(*m, c.cartella.percorso());
            ADD_FAILURE() << "wrote over a folder";
        } catch (const file_error& e) {
            EXPECT_EQ(e.percorso(), c.file(nome));
            EXPECT_FALSE(e.motivo().empty());
        }
        c.intatta();
        EXPECT_EQ(test::leggi(c.file(nome) + "/inside"), "user data");
    }
}

bool comando_registrato(const std::string& nome) {
    const auto r = test::esegui_binario({nome, "--help"});
    return r.stato == 0 && r.out.find("binario " + nome) != std::string::npos;
}

TEST(FailingDisk, CommandLineReportsTheFileAndFails) {
    for (const char* comando : {"run", "compile"}) {
        SCOPED_TRACE(comando);
        if (!comando_registrato(comando)) {
            std::printf("'binario %s' is not registered: not tested\n", comando);
            continue;
        }
        cartella_temporanea c;
        std::vector<std::string> argomenti;
        if (std::string(comando) == "run") {
            argomenti = {"run", "--dir", c.percorso()};
        } else {
            test::scrivi(c.file(nome_file_linea(linea)), componi_righe(righe_linea()));
            test::scrivi(c.file(nome_file_treno(linea, treno)), componi_righe(righe_treno()));
            argomenti = {"compile", c.file(nome_file_linea(linea)),
                         c.file(nome_file_treno(linea, treno)), "--out", c.percorso()};
        }
        test::scrivi(c.file(nome_piano), "old plan file");
        ASSERT_TRUE(test::crea_cartella(c.file(nome_celle)));
        test::scrivi(c.file(nome_celle) + "/inside", "user data");
        const auto r = test::esegui_binario(argomenti);
        EXPECT_NE(r.stato, 0);
        EXPECT_LT(r.stato, 128) << r.err;
        EXPECT_NE(r.err.find(nome_celle), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(std::strerror(EISDIR)), std::string::npos) << r.err;
        EXPECT_TRUE(test::leggi(c.file(nome_piano)) == "old plan file");
        EXPECT_FALSE(test::esiste(c.file(nome_tabella)));
        for (const std::string& f : test::elenco(c.percorso()))
            EXPECT_EQ(f.find(".tmp-"), std::string::npos) << "temporary file left: " << f;
    }
}

// ---- Killed while writing ------------------------------------------------------

// Kills the program at delays spread over the time a whole run takes. After each
// kill every compiled file is either the earlier one or the complete new one.
// Between the renames of the three files a kill leaves a mix of the two sets;
// the test counts how often it lands there.
void uccidi_durante_la_scrittura(
    const std::string& comando,
    const std::function<std::vector<std::string>(const cartella_temporanea&)>& prepara) {
    // A whole run, for its time and the files it writes.
    cartella_temporanea riferimento;
    const std::vector<std::string> argomenti = prepara(riferimento);
    const auto inizio = std::chrono::steady_clock::now();
    const int stato = test::processo_binario({}, argomenti).attendi();
    const double durata =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();
    ASSERT_EQ(stato, 0);
    std::map<std::string, std::string> nuovi;
    for (const std::string& n : {nome_piano, nome_tabella, nome_celle})
        nuovi[n] = test::leggi(riferimento.file(n));

    const int prove = 16;
    int vecchi = 0, completi = 0, misti = 0, temporanei = 0;
    for (int i = 0; i < prove; ++i) {
        cartella_temporanea c;
        const std::vector<std::string> a = prepara(c);
        std::map<std::string, std::string> prima{
            {nome_piano, "old plan file"}, {nome_tabella, "old table"}, {nome_celle, "old cells"}};
        for (const auto& [n, contenuto] : prima) test::scrivi(c.file(n), contenuto);

        const double attesa = durata * (0.3 + 0.8 * i / prove);
        test::processo_binario figlio({}, a);
        std::this_thread::sleep_for(std::chrono::duration<double>(attesa));
        figlio.uccidi();
        figlio.attendi();

        int nuovi_qui = 0;
        for (const auto& [n, contenuto] : prima) {
            const std::string ora = test::leggi(c.file(n));
            EXPECT_TRUE(ora == contenuto || ora == nuovi[n])
                << n << " after a kill at " << attesa << " s: " << ora.size() << " bytes, neither "
                << contenuto.size() << " (earlier) nor " << nuovi[n].size() << " (new)";
            if (ora == nuovi[n]) ++nuovi_qui;
        }
        if (nuovi_qui == 0)
            ++vecchi;
        else if (nuovi_qui == 3)
            ++completi;
        else
            ++misti;
        for (const std::string& f : test::elenco(c.percorso()))
            if (f.find(".tmp-") != std::string::npos) ++temporanei;
    }
    std::printf(
        "binario %s killed %d times over %.3f s: %d earlier sets, %d new sets, %d mixed; "
        "%d temporary files left by the kills\n",
        comando.c_str(), prove, durata, vecchi, completi, misti, temporanei);
    ::testing::Test::RecordProperty(comando + "_mixed_sets", misti);
    ::testing::Test::RecordProperty(comando + "_temporaries_left", temporanei);
}

// The same, deterministically: the process ends at each system call of the writer
// in turn, the interval between two renames included, which random kills hardly
// ever hit.
TEST(FailingDisk, KilledAtEachSystemCallOfTheWriter) {
#ifdef _WIN32
    GTEST_SKIP() << "the writer is ended inside a forked copy of this process; Windows has no fork";
#else
    auto m = compilato();
    const std::map<std::string, std::string> nuovi{{nome_piano, serializza_piano(*m)},
                                                   {nome_tabella, serializza_tabella(*m)},
                                                   {nome_celle, serializza_celle(*m)}};
    int vecchi = 0, completi = 0, misti_lasciati = 0, n = 0;
    for (;; ++n) {
        ASSERT_LT(n, 1000) << "the writer never completes";
        cartella_con_file_vecchi c;
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Every call counts; the n-th one ends the process before it happens.
            int chiamate = 0;
            auto passo = [&] {
                if (chiamate++ == n) ::_exit(9);
            };
            const file_ops& sys = system_file_ops();
            file_ops o = sys;
            o.open_new = [&](const char* p) { return passo(), sys.open_new(p); };
            o.write = [&](int fd, const char* d, size_t k) { return passo(), sys.write(fd, d, k); };
            o.close = [&](int fd) { return passo(), sys.close(fd); };
            o.rename = [&](const char* a, const char* b) { return passo(), sys.rename(a, b); };
            o.unlink = [&](const char* p) { return passo(), sys.unlink(p); };
            if (sys.link)
                o.link = [&](const char* a, const char* b) { return passo(), sys.link(a, b); };
            if (sys.chmod)
                o.chmod = [&](const char* p, unsigned modo) { return passo(), sys.chmod(p, modo); };
            try {
                scrivi_file_compilati(*m, c.cartella.percorso(), o);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        int stato = 0;
        ::waitpid(pid, &stato, 0);
        ASSERT_TRUE(WIFEXITED(stato));
        ASSERT_NE(WEXITSTATUS(stato), 3) << "the writer failed at call " << n;
        auto nuovi_ora = [&] {
            int k = 0;
            for (const auto& [nome, contenuto] : c.vecchi) {
                const std::string ora = test::leggi(c.file(nome));
                EXPECT_TRUE(ora == contenuto || ora == nuovi.at(nome))
                    << nome << " after an end at call " << n << ": " << ora.size() << " bytes";
                if (ora == nuovi.at(nome)) ++k;
            }
            return k;
        };
        if (WEXITSTATUS(stato) == 0) {
            EXPECT_EQ(nuovi_ora(), 3);
            EXPECT_EQ(test::elenco(c.cartella.percorso()), c.elenco_prima);
            break;
        }
        const int lasciati = nuovi_ora();
        if (lasciati != 0 && lasciati != 3) ++misti_lasciati;
        // The next writer, or recover, mends the folder first: one whole set and
        // nothing of the dead writer's.
        prendi_cartella(c.cartella.percorso());
        const int nuovi_qui = nuovi_ora();
        EXPECT_TRUE(nuovi_qui == 0 || nuovi_qui == 3)
            << "a mixed set after recovery, end at call " << n;
        EXPECT_EQ(test::elenco(c.cartella.percorso()), c.elenco_prima) << "end at call " << n;
        if (nuovi_qui == 0)
            ++vecchi;
        else if (nuovi_qui == 3)
            ++completi;
    }
    std::printf(
        "writer ended at each of its %d system calls: %d left a mixed set before recovery; "
        "after it %d earlier sets, %d new sets\n",
        n, misti_lasciati, vecchi, completi);
    RecordProperty("writer_calls", n);
#endif
}

TEST(FailingDisk, KilledDuringTheOneShotRun) {
    uccidi_durante_la_scrittura("run", [](const cartella_temporanea& c) {
        return std::vector<std::string>{"run", "--dir", c.percorso()};
    });
}

TEST(FailingDisk, KilledDuringTheCompileOfALongLine) {
    if (!comando_registrato("compile")) GTEST_SKIP() << "'binario compile' is not registered";
    uccidi_durante_la_scrittura("compile", [](const cartella_temporanea& c) {
        test::scrivi(c.file(nome_file_linea(linea)),
                     "[generale]\r\nlunghezza percorso, 1000000\r\n[fine]\r\n");
        test::scrivi(c.file(nome_file_treno(linea, treno)), componi_righe(righe_treno()));
        return std::vector<std::string>{"compile", c.file(nome_file_linea(linea)),
                                        c.file(nome_file_treno(linea, treno)), "--out",
                                        c.percorso()};
    });
}

}  // namespace
}  // namespace binario
