// The user's files are sacred: compile, check, render and inspect never modify,
// move, replace or delete a file they are given (nor anything else beside it),
// on success and on every error path. Only the one-shot run deletes, and only the
// two source files it wrote itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>

#include "platform/text_windows.h"
#endif

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/file_names.h"
#include "common/text_file_writer.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "test_support.h"

namespace binario {
namespace {

using test::cartella_temporanea;

// Everything that tells a file apart: its bytes and what stat says of it. A file
// rewritten in place changes its modification time, one replaced by a rename its
// inode, one renamed away and back or hard-linked its change time.
struct impronta {
    bool esiste = false;
    std::string byte;
    uint64_t inode = 0;  // the file index on Windows
    uint32_t modo = 0;   // the attributes on Windows
    uint64_t collegamenti = 0;
    long long mtime_s = 0, mtime_ns = 0, ctime_s = 0, ctime_ns = 0;
};

#ifdef _WIN32

impronta impronta_di(const std::string& percorso) {
    impronta i;
    const std::wstring w = wide_da_utf8(percorso);
    const HANDLE h = ::CreateFileW(
        w.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return i;
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO base{};
    const bool letto = ::GetFileInformationByHandle(h, &info) &&
                       ::GetFileInformationByHandleEx(h, FileBasicInfo, &base, sizeof base);
    ::CloseHandle(h);
    if (!letto) return i;
    i.esiste = true;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) i.byte = test::leggi(percorso);
    i.inode = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    i.modo = info.dwFileAttributes;
    i.collegamenti = info.nNumberOfLinks;
    // Counts of 100 ns.
    i.mtime_s = base.LastWriteTime.QuadPart / 10000000;
    i.mtime_ns = base.LastWriteTime.QuadPart % 10000000 * 100;
    i.ctime_s = base.ChangeTime.QuadPart / 10000000;
    i.ctime_ns = base.ChangeTime.QuadPart % 10000000 * 100;
    return i;
}

#else

impronta impronta_di(const std::string& percorso) {
    impronta i;
    struct stat st {};
    if (::lstat(percorso.c_str(), &st) != 0) return i;
    i.esiste = true;
    if (S_ISREG(st.st_mode)) i.byte = test::leggi(percorso);
    i.inode = st.st_ino;
    i.modo = st.st_mode;
    i.collegamenti = st.st_nlink;
    i.mtime_s = st.st_mtim.tv_sec;
    i.mtime_ns = st.st_mtim.tv_nsec;
    i.ctime_s = st.st_ctim.tv_sec;
    i.ctime_ns = st.st_ctim.tv_nsec;
    return i;
}

#endif

void invariato(const std::string& percorso, const impronta& prima) {
    const impronta ora = impronta_di(percorso);
    ASSERT_TRUE(ora.esiste) << percorso << " is gone";
    EXPECT_TRUE(ora.byte == prima.byte) << percorso << ": content changed";
    EXPECT_EQ(ora.inode, prima.inode) << percorso << ": replaced";
    EXPECT_EQ(ora.modo, prima.modo) << percorso;
    EXPECT_EQ(ora.collegamenti, prima.collegamenti) << percorso;
    EXPECT_EQ(ora.mtime_s, prima.mtime_s) << percorso << ": modified";
    EXPECT_EQ(ora.mtime_ns, prima.mtime_ns) << percorso << ": modified";
    EXPECT_EQ(ora.ctime_s, prima.ctime_s) << percorso << ": status changed";
    EXPECT_EQ(ora.ctime_ns, prima.ctime_ns) << percorso << ": status changed";
}

bool comando_registrato(const std::string& nome) {
    const auto r = test::esegui_binario({nome, "--help"});
    return r.stato == 0 && r.out.find("binario " + nome) != std::string::npos;
}

const std::string linea = "Lavena_Torre Alta";
const std::string treno = "A 1";

std::string sostituisci(std::string t, const std::string& da, const std::string& a) {
    const size_t p = t.find(da);
    if (p != std::string::npos) t.replace(p, da.size(), a);
    return t;
}

// The user's folder: a line and a train description (possibly changed), other
// files of the user beside them, and a folder for the outputs.
struct cartella_utente {
    cartella_temporanea radice;
    std::string ingressi, uscite;
    std::string file_linea, file_treno;

    cartella_utente(const std::string& testo_linea, const std::string& testo_treno) {
        ingressi = radice.file("in");
        uscite = radice.file("out");
        test::crea_cartella(ingressi);
        test::crea_cartella(uscite);
        file_linea = ingressi + "/" + nome_file_linea(linea);
        file_treno = ingressi + "/" + nome_file_treno(linea, treno);
        test::scrivi(file_linea, testo_linea);
        test::scrivi(file_treno, testo_treno);
        // Files of the same scenario family that no command was given.
        test::scrivi(ingressi + "/" + nome_file_treno(linea, "B 2"), testo_treno);
        test::scrivi(ingressi + "/notes.txt", "mine");
        test::scrivi(uscite + "/" + nome_file_tabella(linea, "B 2"), "another train's table");
    }

    // Every entry of both folders, with its fingerprint.
    std::map<std::string, impronta> fotografa() const {
        std::map<std::string, impronta> r;
        for (const std::string& c : {ingressi, uscite})
            for (const std::string& n : test::elenco(c)) r[c + "/" + n] = impronta_di(c + "/" + n);
        return r;
    }
};

std::string linea_incorporata() {
    return componi_righe(righe_linea());
}
std::string treno_incorporato() {
    return componi_righe(righe_treno());
}

struct scenario {
    const char* nome;
    std::string linea, treno;
};

// The clean scenario and one for each way a compile can go wrong on its inputs.
std::vector<scenario> scenari() {
    const std::string l = linea_incorporata(), t = treno_incorporato();
    return {
        {"clean", l, t},
        {"record cut short (error 25)", sostituisci(l, "[fine]\r\n", "pendenza, 500"), t},
        {"no [generale] (error 102)", sostituisci(l, "[generale]", "[altro]"), t},
        {"length above the limit (error 1)", sostituisci(l, "34100", "1000001"), t},
        {"station chainage (error 8)", l, sostituisci(t, "stazione,   14000", "stazione,   14010")},
        {"stopped by 1250", l, sostituisci(t, "[codici]", "[codici]\r\nabbattimento, 50, 7")},
        {"text that no table can hold", l,
         sostituisci(t, "[codici]",
                     "stazione, 33000, 28, 200, 0,0,0, 0,0,0, 0,0,0, 0, 8,20,0, " +
                         std::string(70000, 'N') + "\r\n[codici]")},
    };
}

// Runs a command on each scenario and checks that nothing it was given, nor
// anything beside it, changed. `argomenti` builds the command line.
void nessun_file_toccato(
    const std::string& comando,
    const std::function<std::vector<std::string>(const cartella_utente&)>& argomenti,
    bool scrive_in_uscite) {
    if (!comando_registrato(comando))
        GTEST_SKIP() << "'binario " << comando << "' is not registered";
    for (const scenario& s : scenari()) {
        SCOPED_TRACE(std::string(comando) + ", " + s.nome);
        cartella_utente u(s.linea, s.treno);
        const auto prima = u.fotografa();
        const auto r = test::esegui_binario(argomenti(u), u.ingressi);
        EXPECT_LT(r.stato, 128) << "killed by a signal\n" << r.err.substr(0, 2000);
        for (const auto& [percorso, impronta_prima] : prima) invariato(percorso, impronta_prima);
        // Nothing new among the inputs; among the outputs only what the command writes.
        EXPECT_EQ(test::elenco(u.ingressi).size(), 4u);
        if (!scrive_in_uscite) {
            EXPECT_EQ(test::elenco(u.uscite).size(), 1u);
        }
    }
}

TEST(UserFiles, CompileOnlyReadsItsInputs) {
    nessun_file_toccato(
        "compile",
        [](const cartella_utente& u) {
            return std::vector<std::string>{"compile", u.file_linea, u.file_treno, "--out",
                                            u.uscite};
        },
        true);
}

TEST(UserFiles, CheckWritesNothing) {
    nessun_file_toccato(
        "check",
        [](const cartella_utente& u) {
            return std::vector<std::string>{"check", u.file_linea, u.file_treno};
        },
        false);
}

TEST(UserFiles, RenderOnlyWritesThePicture) {
    nessun_file_toccato(
        "render",
        [](const cartella_utente& u) {
            return std::vector<std::string>{"render", u.file_linea, u.file_treno, "-o",
                                            u.uscite + "/line.svg"};
        },
        true);
}

// An output that would land on an input file is refused, whatever path names it.
TEST(UserFiles, AnOutputNeverReplacesAnInput) {
    struct caso {
        const char* comando;
        std::function<std::vector<std::string>(const cartella_utente&)> argomenti;
    } casi[] = {
        // The line file named like the plan file the compile writes into the same folder.
        {"compile",
         [](const cartella_utente& u) {
             const std::string finta = u.ingressi + "/" + nome_file_piano(linea);
             std::rename(u.file_linea.c_str(), finta.c_str());
             return std::vector<std::string>{"compile", finta,   u.file_treno, "--linea",
                                             linea,     "--out", "."};
         }},
        {"compile",
         [](const cartella_utente& u) {
             const std::string finta = u.ingressi + "/" + nome_file_celle(linea, treno);
             std::rename(u.file_treno.c_str(), finta.c_str());
             return std::vector<std::string>{
                 "compile", u.file_linea, finta, "--treno", treno, "--out", u.ingressi + "/../in"};
         }},
        {"render",
         [](const cartella_utente& u) {
             return std::vector<std::string>{"render", u.file_linea, u.file_treno, "-o",
                                             u.file_linea};
         }},
        {"render",
         [](const cartella_utente& u) {
             return std::vector<std::string>{"render", u.file_linea, u.file_treno, "-o",
                                             "./" + nome_file_treno(linea, treno)};
         }},
    };
    for (const caso& k : casi) {
        SCOPED_TRACE(k.comando);
        if (!comando_registrato(k.comando)) {
            std::printf("'binario %s' is not registered: not tested\n", k.comando);
            continue;
        }
        cartella_utente u(linea_incorporata(), treno_incorporato());
        const std::vector<std::string> argomenti = k.argomenti(u);
        const auto prima = u.fotografa();
        const auto r = test::esegui_binario(argomenti, u.ingressi);
        EXPECT_NE(r.stato, 0);
        EXPECT_LT(r.stato, 128) << r.err;
        for (const auto& [percorso, impronta_prima] : prima) invariato(percorso, impronta_prima);
        EXPECT_EQ(test::elenco(u.ingressi).size(), 4u) << r.err;
    }
}

// inspect reads compiled files: whole, cut short, of the wrong kind, as JSON.
TEST(UserFiles, InspectOnlyReadsTheFile) {
    if (!comando_registrato("inspect")) GTEST_SKIP() << "'binario inspect' is not registered";
    cartella_temporanea c;
    ASSERT_EQ(test::esegui_binario({"run", "--dir", c.percorso()}).stato, 0);
    const std::string piano = c.file(nome_file_piano(linea));
    const std::string tabella = c.file(nome_file_tabella(linea, treno));
    const std::string celle = c.file(nome_file_celle(linea, treno));
    const std::string corto = c.file("short.dat");
    test::scrivi(corto, test::leggi(celle).substr(0, 100));
    const std::vector<std::vector<std::string>> comandi = {
        {"inspect", piano},
        {"inspect", piano, "--json", "--every", "1000"},
        {"inspect", tabella},
        {"inspect", tabella, "--json"},
        {"inspect", celle},
        {"inspect", celle, "--json"},
        {"inspect", corto},
        {"inspect", tabella, "--kind", "plan"},
        {"inspect", celle, "--kind", "table", "--json"},
        {"inspect", c.percorso()},
    };
    std::map<std::string, impronta> prima;
    for (const std::string& n : test::elenco(c.percorso()))
        prima[c.file(n)] = impronta_di(c.file(n));
    for (const auto& a : comandi) {
        std::string riga;
        for (const auto& x : a) riga += x + " ";
        SCOPED_TRACE(riga);
        const auto r = test::esegui_binario(a, c.percorso());
        EXPECT_LT(r.stato, 128) << r.err;
        for (const auto& [percorso, impronta_prima] : prima) invariato(percorso, impronta_prima);
        EXPECT_EQ(test::elenco(c.percorso()).size(), prima.size());
    }
}

// The one-shot run deletes its own two source files and nothing else: not the
// user's files beside them, not other scenarios' descriptions or compiled files.
TEST(UserFiles, OneShotRunDeletesOnlyItsOwnSources) {
    cartella_temporanea c;
    const std::vector<std::string> dell_utente = {
        nome_file_treno(linea, "B 2"),   nome_file_linea("Other line"),
        nome_file_tabella(linea, "B 2"), nome_file_celle(linea, "B 2"),
        linea + "_A 1_extra.txt",        "notes.txt",
    };
    for (const std::string& n : dell_utente) test::scrivi(c.file(n), "user's " + n);
    std::map<std::string, impronta> prima;
    for (const std::string& n : dell_utente) prima[c.file(n)] = impronta_di(c.file(n));

    const auto r = test::esegui_binario({"run", "--dir", c.percorso()});
    ASSERT_EQ(r.stato, 0) << r.err;
    for (const auto& [percorso, impronta_prima] : prima) invariato(percorso, impronta_prima);
    EXPECT_FALSE(test::esiste(c.file(nome_file_linea(linea))));
    EXPECT_FALSE(test::esiste(c.file(nome_file_treno(linea, treno))));
    // The user's six files, the three documents and the three compiled files.
    EXPECT_EQ(test::elenco(c.percorso()).size(), dell_utente.size() + 6);
}

}  // namespace
}  // namespace binario
