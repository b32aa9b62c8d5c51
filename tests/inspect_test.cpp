#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/format_facts.h"
#include "compiler/track_plan.h"
#include "formats/compiled_files.h"
#include "platform/utf8_paths.h"
#include "test_support.h"

namespace binario {
namespace {

using test::esegui_binario;

// The lines of a listing.
std::vector<std::string> righe(const std::string& testo) {
    std::vector<std::string> out;
    std::istringstream in(testo);
    for (std::string r; std::getline(in, r);) out.push_back(r);
    return out;
}

// Cell indices listed in the cell table (lines whose first word is a number).
std::vector<int> celle_elencate(const std::string& testo) {
    std::vector<int> out;
    for (const std::string& r : righe(testo)) {
        std::istringstream in(r);
        int i = 0;
        if (in >> i) out.push_back(i);
    }
    return out;
}

class Inspect : public ::testing::Test {
  protected:
    test::cartella_temporanea dir;

    std::string scrivi(const std::string& nome, const std::string& contenuto) {
        std::string percorso = dir.file(nome);
        test::scrivi(percorso, contenuto);
        return percorso;
    }

    static modello tabella_di_prova() {
        modello m;
        voce& stazione = m.tabella[1];
        stazione.testo = "Lavena";
        stazione.valore1 = 100;
        stazione.valore2 = 250;
        stazione.valore3 = 1200;
        stazione.genere = 2;
        stazione.ottetto2 = 30;
        stazione.codice = 7 * 3600 + 5 * 60 + 9;
        stazione.intero2 = -4;
        m.tabella[80].testo = "Direzione Torre";
        m.tabella[79].testo = "Caff\xE8";
        m.tabella[84].valore1 = 75;
        m.tabella[84].valore2 = 34100;
        m.tabella[85].testo = "Lavena_Torre Alta";
        m.tabella[85].intero1 = 610;
        m.tabella[85].codice = 4242;
        m.tabella[86].testo = "A 1";
        m.tabella[86].intero3 = 7;
        m.tabella[86].intero5 = 3;
        return m;
    }

    static modello celle_di_prova() {
        modello m;
        m.celle.resize(12);
        for (cella& c : m.celle) {
            c.velocita = 15;
            c.pendenza = 100;
            c.aderenza = 98;
        }
        m.celle[1].dato1 = 5121;
        m.celle[3].evento = 1;
        m.celle[3].dato1 = 50;
        m.celle[3].dato4 = -3;
        m.celle[5].marca = 31;
        for (size_t i = 7; i < 12; ++i) m.celle[i].pendenza = 112;
        m.celle[11].pendenza = 0;
        return m;
    }
};

TEST_F(Inspect, TableListing) {
    const std::string file = scrivi("L_A 1.sim", serializza_tabella(tabella_di_prova()));
    const auto r = esegui_binario({"inspect", file});
    ASSERT_EQ(r.stato, 0) << r.err;
    const std::string& o = r.out;
    EXPECT_NE(o.find("87 rows, 6 in use"), std::string::npos) << o;
    EXPECT_NE(o.find("row 1: station \"Lavena\": chainage 1200 m (valore3), platform 100 to 250 m"),
              std::string::npos)
        << o;
    EXPECT_NE(o.find("type 2 (genere), stop 30 s (ottetto2), departure 7:05:09"), std::string::npos)
        << o;
    EXPECT_NE(o.find("other fields: intero2 -4"), std::string::npos) << o;
    EXPECT_NE(o.find("row 80: direction board \"Direzione Torre\""), std::string::npos) << o;
    EXPECT_NE(o.find("row 79: direction board \"Caff\xC3\xA8\""), std::string::npos) << o;
    EXPECT_NE(o.find("row 84: braked mass 75 % (valore1), line length 34100 m"), std::string::npos)
        << o;
    EXPECT_NE(o.find("stamp 610 (intero1), competition code 4242 (codice)"), std::string::npos)
        << o;
    EXPECT_NE(o.find("clock 7:00:03"), std::string::npos) << o;
    EXPECT_EQ(o.find("row 0:"), std::string::npos) << o;
    EXPECT_EQ(o.find("row 2:"), std::string::npos) << o;
}

TEST_F(Inspect, TableJson) {
    const std::string file = scrivi("L_A 1.sim", serializza_tabella(tabella_di_prova()));
    const auto r = esegui_binario({"inspect", file, "--json"});
    ASSERT_EQ(r.stato, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["kind"], "table");
    EXPECT_EQ(j["file"], file);
    ASSERT_EQ(j["rows"].size(), 87u);
    EXPECT_EQ(j["rows"][1]["testo"], "Lavena");
    EXPECT_EQ(j["rows"][1]["codice"], 25509);
    EXPECT_EQ(j["rows"][1]["intero2"], -4);
    EXPECT_EQ(j["rows"][1]["valore3"], 1200);
    EXPECT_EQ(j["rows"][79]["testo"], "Caff\xC3\xA8");
    EXPECT_EQ(j["rows"][85]["intero1"], 610);
    EXPECT_EQ(j["rows"][0]["testo"], "");
}

TEST_F(Inspect, CellListingShowsEventsAndProfileChanges) {
    const std::string file = scrivi("L_A 1.dat", serializza_celle(celle_di_prova()));
    const auto r = esegui_binario({"inspect", file});
    ASSERT_EQ(r.stato, 0) << r.err;
    // 0: first profile; 1, 3, 5: event fields; 7 and 11: the profile changes.
    EXPECT_EQ(celle_elencate(r.out), (std::vector<int>{0, 1, 3, 5, 7, 11}));
    bool segnale = false;
    for (const std::string& riga : righe(r.out)) {
        std::istringstream in(riga);
        int indice = 0;
        std::string metri, unita, evento;
        if (!(in >> indice) || indice != 3) continue;
        segnale = true;
        in >> metri >> unita >> evento;
        // Listed at the chainage it was recorded for: 100 m falls in cell round(100 / 50 + 1).
        EXPECT_EQ(metri + unita, "100m");
        EXPECT_EQ(evento, "signal");
        int dato1, dato2, dato3, dato4, tempo, marca, galleria, velocita, pendenza, aderenza;
        in >> dato1 >> dato2 >> dato3 >> dato4 >> tempo >> marca >> galleria >> velocita >>
            pendenza >> aderenza;
        EXPECT_EQ(dato1, 50);
        EXPECT_EQ(dato4, -3);
        EXPECT_EQ(velocita, 75);
        EXPECT_EQ(pendenza, 0);
        EXPECT_EQ(aderenza, 98);
    }
    EXPECT_TRUE(segnale) << r.out;
    EXPECT_NE(r.out.find("+12"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-100"), std::string::npos) << r.out;
}

TEST_F(Inspect, CellJsonHoldsEveryCell) {
    const std::string file = scrivi("cells.bin", serializza_celle(celle_di_prova()));
    const auto r = esegui_binario({"inspect", file, "--kind", "cells", "--json"});
    ASSERT_EQ(r.stato, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["kind"], "cells");
    ASSERT_EQ(j["cells"].size(), 12u);
    EXPECT_EQ(j["cells"][1]["dato1"], 5121);
    EXPECT_EQ(j["cells"][3]["evento"], 1);
    EXPECT_EQ(j["cells"][3]["dato4"], -3);
    EXPECT_EQ(j["cells"][7]["pendenza"], 112);
    EXPECT_EQ(j["cells"][5]["marca"], 31);
    EXPECT_EQ(j["cells"][0]["aderenza"], 98);
}

// The shortest plan a compile writes (a line of length 0, metres 0 to 7000):
// straight along +y to metre 6500, then a right curve of the sharpest degree to
// metre 6998, which turns it by about 1.5 rad, so x and y grow all the way;
// metres 6999 and 7000 empty. The points follow the loader's step rule.
modello piano_di_prova() {
    modello m;
    planimetria_metrica& p = m.planimetria;
    p.dimensiona(7000);
    p.assegna_intero(0, 0, 0);
    p.assegna_intero(0, 1, 0);
    p.assegna_intero(1, 0, 0);
    p.assegna_intero(1, 1, 1);
    ultimi_punti u{0, 0, 0, 1};
    auto salva = [&p](int32_t t, double x, double y) {
        p.assegna_reale(t, 0, x);
        p.assegna_reale(t, 1, y);
    };
    passi_piano(u, 2, 6501, 0.0, salva);
    passi_piano(u, 6501, 6999, curvature_gradi.back(), salva);
    return m;
}

TEST_F(Inspect, PlanSummaryAndPoints) {
    const modello m = piano_di_prova();
    const std::string file = scrivi("L_linea.dat", serializza_piano(m));
    const auto r = esegui_binario({"inspect", file, "--every", "3499"});
    ASSERT_EQ(r.stato, 0) << r.err;
    EXPECT_NE(r.out.find("7001 points per column (metres 0 to 7000)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("14002 (4 int16, 13994 double, 4 empty)"), std::string::npos) << r.out;
    // Metres 0, 3499, 6998; no metre 7000 line (7000 - 6998 < 3499). Each value is
    // printed so that it reads back as the very double of the file.
    std::vector<std::string> punti;
    for (const std::string& riga : righe(r.out)) {
        std::istringstream in(riga);
        int metro = 0;
        std::string x, y;
        if (!(in >> metro >> x >> y)) continue;
        punti.push_back(std::to_string(metro) + " " + x + " " + y);
        EXPECT_EQ(std::stod(x), m.planimetria.valore(metro, 0)) << riga;
        EXPECT_EQ(std::stod(y), m.planimetria.valore(metro, 1)) << riga;
    }
    ASSERT_EQ(punti.size(), 3u) << r.out;
    EXPECT_EQ(punti[0], "0 0 0");
    EXPECT_EQ(punti[1], "3499 0 3499");
    EXPECT_EQ(punti[2].substr(0, 5), "6998 ");
}

TEST_F(Inspect, PlanJson) {
    const modello m = piano_di_prova();
    const std::string file = scrivi("L_linea.dat", serializza_piano(m));
    const auto r = esegui_binario({"inspect", file, "--json", "--every", "3500"});
    ASSERT_EQ(r.stato, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["kind"], "plan");
    EXPECT_EQ(j["points_per_column"], 7001);
    EXPECT_EQ(j["last_metre"], 7000);
    EXPECT_EQ(j["elements"]["int16"], 4);
    EXPECT_EQ(j["elements"]["double"], 13994);
    EXPECT_EQ(j["elements"]["empty"], 4);
    EXPECT_EQ(j["extent"]["x_max"], m.planimetria.valore(6998, 0));
    EXPECT_EQ(j["extent"]["y_max"], m.planimetria.valore(6998, 1));
    ASSERT_EQ(j["points"].size(), 3u);
    EXPECT_TRUE(j["points"][0]["y"].is_number_integer());
    EXPECT_EQ(j["points"][1]["metre"], 3500);
    EXPECT_EQ(j["points"][1]["y"], 3500.0);
    EXPECT_TRUE(j["points"][1]["x"].is_number_float());
    EXPECT_TRUE(j["points"][2]["x"].is_null());
    // Summary only, without --every.
    const auto senza = nlohmann::json::parse(esegui_binario({"inspect", file, "--json"}).out);
    EXPECT_FALSE(senza.contains("points"));
    EXPECT_EQ(senza["elements"]["total"], 14002);
}

TEST_F(Inspect, MalformedFilesAreRefusedWithTheOffset) {
    modello celle = celle_di_prova();
    const std::string celle_buone = serializza_celle(celle);
    const std::string tabella = serializza_tabella(modello{});
    struct caso {
        std::string nome;
        std::string contenuto;
        std::string messaggio;
    };
    const std::vector<caso> casi = {
        {"L_A 1.dat", celle_buone.substr(0, 31), "malformed cells file at byte 30: "},
        {"L_linea.dat", std::string("\x02\x00\x00\x00\x09\x00", 6),
         "malformed plan file at byte 4: element 1: unknown type tag 9"},
        {"L_A 1.sim", tabella + "zz", "malformed table file at byte 2958: 2 trailing bytes"},
        {"L_A 2.sim", tabella.substr(0, 100),
         "malformed table file at byte 98: row 2: field codice needs 4 bytes, 2 left"},
    };
    for (const caso& k : casi) {
        const std::string file = scrivi(k.nome, k.contenuto);
        const auto r = esegui_binario({"inspect", file});
        EXPECT_EQ(r.stato, 65) << k.nome;
        EXPECT_EQ(r.err.rfind(file + ": " + k.messaggio, 0), 0u) << k.nome << ": " << r.err;
        EXPECT_EQ(r.out, "") << k.nome;
        // The same with --json: nothing on stdout either.
        const auto j = esegui_binario({"inspect", file, "--json"});
        EXPECT_EQ(j.stato, 65) << k.nome;
        EXPECT_EQ(j.out, "") << k.nome;
    }
}

TEST_F(Inspect, UsageAndReadErrors) {
    const std::string celle = scrivi("celle.bin", serializza_celle(celle_di_prova()));
    const std::string tabella = scrivi("L_A 1.sim", serializza_tabella(modello{}));

    auto senza_tipo = esegui_binario({"inspect", celle});
    EXPECT_EQ(senza_tipo.stato, 64);
    EXPECT_NE(senza_tipo.err.find("--kind"), std::string::npos) << senza_tipo.err;

    EXPECT_EQ(esegui_binario({"inspect", celle, "--kind", "cell"}).stato, 64);
    EXPECT_EQ(esegui_binario({"inspect", tabella, "--every", "10"}).stato, 64);
    EXPECT_EQ(esegui_binario({"inspect", dir.file("p_linea.dat"), "--every", "0"}).stato, 64);
    EXPECT_EQ(esegui_binario({"inspect"}).stato, 64);

    auto mancante = esegui_binario({"inspect", dir.file("manca_linea.dat")});
    EXPECT_EQ(mancante.stato, 74);
    EXPECT_NE(mancante.err.find("No such file or directory"), std::string::npos) << mancante.err;
    EXPECT_EQ(esegui_binario({"inspect", dir.percorso(), "--kind", "plan"}).stato, 74);

    // An explicit kind wins over the name.
    EXPECT_EQ(esegui_binario({"inspect", tabella, "--kind", "cells"}).stato, 65);

    auto aiuto = esegui_binario({"inspect", "--help"});
    EXPECT_EQ(aiuto.stato, 0);
    EXPECT_NE(aiuto.out.find("Example: binario inspect"), std::string::npos) << aiuto.out;
}

TEST_F(Inspect, NeverChangesTheFile) {
    const std::vector<std::string> files = {
        scrivi("L_A 1.sim", serializza_tabella(tabella_di_prova())),
        scrivi("L_A 1.dat", serializza_celle(celle_di_prova())),
        scrivi("L_linea.dat", serializza_piano(piano_di_prova())),
        scrivi("rotto_linea.dat", "\x07"),
    };
    for (const std::string& f : files) {
        // A day back, so that a write now would show.
        const std::filesystem::path p = path_from_utf8(f);
        const auto vecchio = std::filesystem::last_write_time(p) - std::chrono::hours(24);
        std::filesystem::last_write_time(p, vecchio);
        const std::string prima = test::leggi(f);
        esegui_binario({"inspect", f});
        esegui_binario({"inspect", f, "--json"});
        EXPECT_TRUE(std::filesystem::last_write_time(p) == vecchio) << f;
        EXPECT_EQ(test::leggi(f), prima) << f;
    }
    EXPECT_EQ(
        test::elenco(dir.percorso()),
        (std::vector<std::string>{"L_A 1.dat", "L_A 1.sim", "L_linea.dat", "rotto_linea.dat"}));
}

}  // namespace
}  // namespace binario
