// docs/formats.md stays true: its byte examples match a real compile of the built-in
// scenario, and the records it quotes are records of the built-in files.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/warning_names.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "test_support.h"

namespace binario {
namespace {

const std::string percorso_documento = BINARIO_SOURCE_DIR "/docs/formats.md";

struct esempio_byte {
    size_t offset;
    std::string file;  // "plan", "table" or "cell"
    std::string byte;
    std::string testo;  // the line of the document, for messages
};

// Every line "offset N of the KIND file: HH HH ..." of the document.
std::vector<esempio_byte> esempi(const std::string& documento) {
    static const std::regex forma(
        R"(^offset ([0-9]+) of the (plan|table|cell) file: ([0-9A-F]{2}(?: [0-9A-F]{2})*)\s*$)");
    std::vector<esempio_byte> out;
    std::istringstream in(documento);
    for (std::string riga; std::getline(in, riga);) {
        std::smatch m;
        if (!std::regex_match(riga, m, forma)) continue;
        esempio_byte e{std::stoul(m[1]), m[2], {}, riga};
        std::istringstream hex(m[3].str());
        for (std::string b; hex >> b;)
            e.byte.push_back(static_cast<char>(std::stoul(b, nullptr, 16)));
        out.push_back(e);
    }
    return out;
}

std::string senza_bianchi_finali(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
    return s;
}

// Record lines quoted in the document: lines of code blocks and inline code spans
// that start with a keyword and a comma.
std::vector<std::string> record_citati(const std::string& documento) {
    static const std::regex record(R"(^[a-z][a-z0-9_ ]*,.*$)");
    static const std::regex in_linea("`([^`\n]+)`");
    std::vector<std::string> out;
    std::istringstream in(documento);
    bool blocco = false;
    for (std::string riga; std::getline(in, riga);) {
        if (riga.rfind("```", 0) == 0) {
            blocco = !blocco;
            continue;
        }
        if (blocco) {
            if (std::regex_match(riga, record)) out.push_back(riga);
            continue;
        }
        for (std::sregex_iterator i(riga.begin(), riga.end(), in_linea), fine; i != fine; ++i) {
            const std::string span = (*i)[1];
            if (std::regex_match(span, record)) out.push_back(span);
        }
    }
    return out;
}

TEST(FormatsDocument, ByteExamplesMatchACompileOfTheBuiltInScenario) {
    const std::string documento = test::leggi(percorso_documento);
    ASSERT_FALSE(documento.empty()) << percorso_documento;
    const std::vector<esempio_byte> tutti = esempi(documento);

    test::cartella_temporanea dir;
    ASSERT_EQ(test::esegui_binario({"run", "--dir", dir.percorso()}).stato, 0);
    const std::map<std::string, std::string> file = {
        {"plan", test::leggi(dir.file("Lavena_Torre Alta_linea.dat"))},
        {"table", test::leggi(dir.file("Lavena_Torre Alta_A 1.sim"))},
        {"cell", test::leggi(dir.file("Lavena_Torre Alta_A 1.dat"))},
    };

    std::set<std::string> tipi;
    bool esempio_guidato = false;
    for (const esempio_byte& e : tutti) {
        const std::string& dati = file.at(e.file);
        ASSERT_LE(e.offset + e.byte.size(), dati.size()) << e.testo;
        EXPECT_EQ(dati.substr(e.offset, e.byte.size()), e.byte) << e.testo;
        tipi.insert(e.file);
        if (e.file == "cell" && e.offset == 3645 && e.byte.size() == 15) esempio_guidato = true;
    }
    EXPECT_TRUE(esempio_guidato) << "the worked example (cell 243 at offset 3645) is missing";
    EXPECT_EQ(tipi, (std::set<std::string>{"plan", "table", "cell"}));
}

TEST(FormatsDocument, QuotedRecordsAreRecordsOfTheBuiltInFiles) {
    std::set<std::string> righe;
    for (std::string_view r : righe_linea()) righe.insert(senza_bianchi_finali(std::string(r)));
    for (std::string_view r : righe_treno()) righe.insert(senza_bianchi_finali(std::string(r)));

    const std::vector<std::string> citati = record_citati(test::leggi(percorso_documento));
    ASSERT_FALSE(citati.empty());
    bool segnale = false;
    for (const std::string& c : citati) {
        EXPECT_EQ(righe.count(senza_bianchi_finali(c)), 1u) << "not a built-in record: " << c;
        if (c == "segnale,   12100,   1, 5, 1,  0, 0,    0,  0,0,0, 0") segnale = true;
    }
    EXPECT_TRUE(segnale) << "the worked example's signal record is missing";
}

// The warnings section lists every warning by the name the compiler gives it, and no
// other; notes need not be listed there.
TEST(FormatsDocument, WarningsSectionNamesEveryWarning) {
    const std::string documento = test::leggi(percorso_documento);
    std::istringstream in(documento);
    static const std::regex riga_nome(R"(^\| `([a-z0-9-]+)` \|.*)");
    std::set<std::string> elencati;
    bool sezione = false;
    for (std::string riga; std::getline(in, riga);) {
        if (riga.rfind("## ", 0) == 0) sezione = riga == "## 5. Warnings";
        std::smatch m;
        if (sezione && std::regex_match(riga, m, riga_nome)) elencati.insert(m[1]);
    }
    std::set<std::string> avvisi;
    for (const nome_avviso& a : avvisi_noti())
        if (std::string_view(a.significato).rfind("note:", 0) != 0) avvisi.insert(a.nome);
    ASSERT_FALSE(avvisi.empty());
    EXPECT_EQ(elencati, avvisi);
}

}  // namespace
}  // namespace binario
