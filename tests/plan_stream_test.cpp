// The plan file written while the plan is computed: for every shape of plan it
// holds the same bytes as the ordinary writer's; when it cannot be used (a plan of
// another shape, a failing write) the ordinary writer takes over and no temporary
// file is left; and the loader's thread gets its processors back.
#include "service/plan_stream.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "common/file_names.h"
#include "compiler/compile_driver.h"
#include "formats/compiled_files.h"
#include "service/compiled_output.h"
#include "test_support.h"

namespace binario {
namespace {

using test::cartella_temporanea;

using test::da_testo;

// A line of `lunghezza` metres with the given profile records.
std::string linea_di(int32_t lunghezza, const std::string& profili) {
    return "[generale]\r\nlunghezza percorso, " + std::to_string(lunghezza) + "\r\n[profili]\r\n" +
           profili + "[fine]\r\n";
}

// Counts the calls of the streamed writer and can make some of them fail.
struct operazioni_contate {
    int pwritev_chiamate = 0;
    size_t pwritev_massimo = 0;    // when not 0, each call writes at most this many bytes
    int pwritev_fallisce_da = -1;  // the call from which pwritev fails (ENOSPC), -1 never
    bool apertura_fallisce = false;
    bool scrittura_fallisce = false;  // the ordinary writer's write()

    file_ops ops() {
        file_ops o = system_file_ops();
        const file_ops sistema = system_file_ops();
        o.pwritev = [this, sistema](int fd, const iovec* d, int n, long off) -> long {
            if (pwritev_fallisce_da >= 0 && pwritev_chiamate++ >= pwritev_fallisce_da) {
                errno = ENOSPC;
                return -1;
            }
            if (pwritev_fallisce_da < 0) ++pwritev_chiamate;
            if (pwritev_massimo == 0) return sistema.pwritev(fd, d, n, off);
            // A short write, ending inside one of the parts.
            std::vector<iovec> parte;
            size_t resto = pwritev_massimo;
            for (int i = 0; i < n && resto > 0; ++i) {
                parte.push_back({d[i].iov_base, std::min(d[i].iov_len, resto)});
                resto -= parte.back().iov_len;
            }
            return sistema.pwritev(fd, parte.data(), static_cast<int>(parte.size()), off);
        };
        o.open_new = [this, sistema](const char* p) {
            if (apertura_fallisce) {
                errno = EACCES;
                return -1;
            }
            return sistema.open_new(p);
        };
        o.write = [this, sistema](int fd, const char* d, size_t n) -> long {
            if (scrittura_fallisce) {
                errno = EIO;
                return -1;
            }
            return sistema.write(fd, d, n);
        };
        return o;
    }
};

struct esito_prova {
    std::string piano;              // the plan file written
    std::string atteso;             // the plan of the same line compiled and kept whole
    std::vector<std::string> file;  // what the folder holds afterwards
    bool compatta = false;          // the streamed compile kept the plan compact
};

// Compiles the line with the streamed writer and writes the set with `ops`.
esito_prova compila_e_scrivi(const std::string& linea, const file_ops& ops) {
    cartella_temporanea c;
    modello m;
    m.linea = "L";
    m.treno = "T";
    const std::string percorso = c.file(nome_file_piano("L"));
    esito_prova e;
    {
        scrittura_piano_anticipata anticipata(percorso, ops);
        compila_modello(m, 1, da_testo("L_linea.txt", linea),
                        da_testo("L_T-.txt", "[generale]\r\n"), &anticipata);
        scrivi_file_compilati(m, c.percorso(), ops, &anticipata);
    }
    e.piano = test::leggi(percorso);
    e.file = test::elenco(c.percorso());
    e.compatta = m.planimetria.compatta;

    modello intero;
    compila_modello(intero, 1, da_testo("L_linea.txt", linea),
                    da_testo("L_T-.txt", "[generale]\r\n"));
    e.atteso = serializza_piano(intero);
    return e;
}

const std::vector<std::string> tre_file = {"L_T.dat", "L_T.sim", "L_linea.dat"};

struct forma_piano {
    const char* nome;
    std::string linea;
    bool anticipato;  // whether the streamed file can be used
    bool compatta;    // whether the writer takes the reals, and the plan is compact
};

void PrintTo(const forma_piano& f, std::ostream* os) {
    *os << f.nome;
}

class FormaPiano : public testing::TestWithParam<forma_piano> {};

TEST_P(FormaPiano, StreamedPlanHoldsTheOrdinaryBytes) {
    operazioni_contate o;
    const esito_prova e = compila_e_scrivi(GetParam().linea, o.ops());
    EXPECT_EQ(e.file, tre_file);
    ASSERT_EQ(e.piano.size(), e.atteso.size());
    EXPECT_TRUE(e.piano == e.atteso);
    EXPECT_EQ(e.compatta, GetParam().compatta);
    // Streamed: the reals of both columns, then the ends; else none survive.
    if (GetParam().anticipato) {
        EXPECT_GT(o.pwritev_chiamate, 4);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forme, FormaPiano,
    testing::Values(
        // Many pieces, curves across the points where the loader hands over.
        forma_piano{"long_line",
                    linea_di(300000,
                             "curvad6, 100, 300\r\ncurvas2, 70000, 90000\r\n"
                             "curvad4, 200000, 50\r\n"),
                    true, true},
        forma_piano{"straight_line", linea_di(300000, ""), true, true},
        // Ends just past a range of the loader's announcements, then just before one.
        forma_piano{"one_point_past_a_range", linea_di(16384 * 8 - 7000 + 2, ""), true, true},
        forma_piano{"one_point_short_of_a_range", linea_di(16384 * 9 - 7000, ""), true, true},
        forma_piano{"ends_on_a_range", linea_di(16384 * 9 - 7000 + 1, ""), true, true},
        // Shorter than the streamed writer takes: written the ordinary way.
        forma_piano{"short_line", linea_di(0, ""), false, false},
        // A curve past the plan's end computes the last two points: reals, not empty.
        forma_piano{"curve_past_the_end", linea_di(20000, "curvad1, 20000, 9000\r\n"), false,
                    false},
        forma_piano{"long_curve_past_the_end", linea_di(300000, "curvad1, 299000, 9000\r\n"), false,
                    true},
        // A fault stops the load half-way: the rest of the plan stays empty.
        forma_piano{"load_stopped",
                    linea_di(300000,
                             "curvad1, 100000, 10\r\n"
                             "curvad1, 150000, x\r\n"),
                    false, true}),
    [](const testing::TestParamInfo<forma_piano>& i) { return std::string(i.param.nome); });

TEST(PianoAnticipato, AFailingWriteFallsBackToTheOrdinaryWriter) {
    for (int da : {0, 1, 5}) {
        operazioni_contate o;
        o.pwritev_fallisce_da = da;
        const esito_prova e = compila_e_scrivi(linea_di(300000, ""), o.ops());
        EXPECT_EQ(e.file, tre_file) << da;
        EXPECT_TRUE(e.piano == e.atteso) << da;
    }
}

TEST(PianoAnticipato, ShortWritesAreCarriedOn) {
    operazioni_contate o;
    o.pwritev_massimo = 4099;  // not a multiple of an element or of a page
    const esito_prova e = compila_e_scrivi(
        linea_di(300000, "curvad6, 100, 300\r\ncurvas2, 70000, 90000\r\n"), o.ops());
    EXPECT_EQ(e.file, tre_file);
    EXPECT_TRUE(e.piano == e.atteso);
    // The plan went through the streamed writer, in short writes.
    EXPECT_GT(o.pwritev_chiamate, static_cast<int>(e.piano.size() / o.pwritev_massimo));
}

TEST(PianoAnticipato, AFolderThatRefusesFilesIsReportedOnceAndLeavesNothing) {
    operazioni_contate o;
    o.apertura_fallisce = true;
    EXPECT_THROW(compila_e_scrivi(linea_di(300000, ""), o.ops()), file_error);

    operazioni_contate p;
    p.scrittura_fallisce = true;
    p.pwritev_fallisce_da = 0;
    cartella_temporanea c;
    modello m;
    m.linea = "L";
    m.treno = "T";
    {
        scrittura_piano_anticipata anticipata(c.file(nome_file_piano("L")), p.ops());
        compila_modello(m, 1, da_testo("l", linea_di(300000, "")), da_testo("t", "[generale]\r\n"),
                        &anticipata);
        EXPECT_THROW(scrivi_file_compilati(m, c.percorso(), p.ops(), &anticipata), file_error);
    }
    EXPECT_TRUE(test::elenco(c.percorso()).empty());
}

TEST(PianoAnticipato, AnUnfinishedWriterRemovesItsFileAndGivesBackTheProcessors) {
    // The writer pins threads to processors on Linux only.
#ifndef _WIN32
    cpu_set_t prima;
    CPU_ZERO(&prima);
    ASSERT_EQ(sched_getaffinity(0, sizeof prima, &prima), 0);
#endif
    cartella_temporanea c;
    {
        modello m;
        m.linea = "L";
        m.treno = "T";
        scrittura_piano_anticipata anticipata(c.file(nome_file_piano("L")));
        compila_modello(m, 1, da_testo("l", linea_di(300000, "")), da_testo("t", "[generale]\r\n"),
                        &anticipata);
        EXPECT_EQ(test::elenco(c.percorso()).size(), 1u);  // its temporary file
    }
    EXPECT_TRUE(test::elenco(c.percorso()).empty());
#ifndef _WIN32
    cpu_set_t dopo;
    CPU_ZERO(&dopo);
    ASSERT_EQ(sched_getaffinity(0, sizeof dopo, &dopo), 0);
    EXPECT_TRUE(CPU_EQUAL(&prima, &dopo));
#endif
}

}  // namespace
}  // namespace binario
