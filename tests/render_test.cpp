#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_driver.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "platform/utf8_paths.h"
#include "render/polyline.h"
#include "render/render_svg.h"
#include "test_support.h"

namespace binario {
namespace {

// --- A minimal XML reader: enough to check the picture and to query it ------------

struct elemento {
    std::string nome;
    std::map<std::string, std::string> attributi;
    std::string testo;  // character data directly inside, entities left as written
    int genitore = -1;
};

struct documento_xml {
    std::vector<elemento> elementi;
    std::string errore;  // empty when well-formed

    // Elements with this attribute value, anywhere below `antenato` (-1: anywhere).
    std::vector<const elemento*> con(const std::string& attributo, const std::string& valore,
                                     int antenato = -1) const {
        std::vector<const elemento*> trovati;
        for (size_t i = 0; i < elementi.size(); ++i) {
            auto a = elementi[i].attributi.find(attributo);
            if (a == elementi[i].attributi.end() || a->second != valore) continue;
            if (antenato >= 0 && !discende(static_cast<int>(i), antenato)) continue;
            trovati.push_back(&elementi[i]);
        }
        return trovati;
    }
    int indice_id(const std::string& id) const {
        for (size_t i = 0; i < elementi.size(); ++i) {
            auto a = elementi[i].attributi.find("id");
            if (a != elementi[i].attributi.end() && a->second == id) return static_cast<int>(i);
        }
        return -1;
    }
    bool discende(int i, int antenato) const {
        for (int p = elementi[static_cast<size_t>(i)].genitore; p >= 0;
             p = elementi[static_cast<size_t>(p)].genitore)
            if (p == antenato) return true;
        return false;
    }
};

bool nome_xml(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == ':' ||
           c == '.';
}

// Character data or an attribute value: no raw '<', every '&' starts a known
// entity; in text, '>' must be escaped as well.
std::string controlla_caratteri(std::string_view s, bool testo) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '<') return "raw '<'";
        if (testo && s[i] == '>') return "raw '>' in text";
        if (s[i] != '&') continue;
        const size_t fine = s.find(';', i);
        if (fine == std::string_view::npos) return "unterminated entity";
        const std::string_view e = s.substr(i + 1, fine - i - 1);
        const bool nota = e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos" ||
                          (e.size() > 1 && e[0] == '#');
        if (!nota) return "unknown entity &" + std::string(e) + ";";
    }
    return "";
}

documento_xml leggi_xml(std::string_view x) {
    documento_xml d;
    size_t i = 0;
    auto fallisci = [&](const std::string& perche) {
        d.errore = perche + " at byte " + std::to_string(i);
        return d;
    };
    auto spazi = [&] {
        while (i < x.size() && std::isspace(static_cast<unsigned char>(x[i]))) ++i;
    };
    if (x.substr(0, 5) == "<?xml") {
        i = x.find("?>");
        if (i == std::string_view::npos) return fallisci("unterminated declaration");
        i += 2;
    }
    std::vector<int> pila;
    int radici = 0;
    while (i < x.size()) {
        if (x[i] != '<') {
            const size_t fine = std::min(x.find('<', i), x.size());
            const std::string_view t = x.substr(i, fine - i);
            if (pila.empty()) {
                if (t.find_first_not_of(" \t\r\n") != std::string_view::npos)
                    return fallisci("text outside the root");
            } else {
                if (auto e = controlla_caratteri(t, true); !e.empty()) return fallisci(e);
                d.elementi[static_cast<size_t>(pila.back())].testo += t;
            }
            i = fine;
            continue;
        }
        if (x.substr(i, 4) == "<!--") {
            const size_t fine = x.find("-->", i);
            if (fine == std::string_view::npos) return fallisci("unterminated comment");
            i = fine + 3;
            continue;
        }
        if (x.substr(i, 2) == "</") {
            i += 2;
            const size_t inizio = i;
            while (i < x.size() && nome_xml(x[i])) ++i;
            const std::string nome(x.substr(inizio, i - inizio));
            spazi();
            if (i >= x.size() || x[i] != '>') return fallisci("bad end tag");
            ++i;
            if (pila.empty() || d.elementi[static_cast<size_t>(pila.back())].nome != nome)
                return fallisci("end tag </" + nome + "> does not match");
            pila.pop_back();
            continue;
        }
        ++i;
        elemento e;
        const size_t inizio = i;
        while (i < x.size() && nome_xml(x[i])) ++i;
        e.nome = std::string(x.substr(inizio, i - inizio));
        if (e.nome.empty()) return fallisci("empty tag name");
        e.genitore = pila.empty() ? -1 : pila.back();
        bool vuoto = false;
        for (;;) {
            spazi();
            if (i >= x.size()) return fallisci("unterminated tag");
            if (x[i] == '>') {
                ++i;
                break;
            }
            if (x.substr(i, 2) == "/>") {
                i += 2;
                vuoto = true;
                break;
            }
            const size_t a = i;
            while (i < x.size() && nome_xml(x[i])) ++i;
            const std::string nome(x.substr(a, i - a));
            if (nome.empty() || i >= x.size() || x[i] != '=') return fallisci("bad attribute");
            ++i;
            if (i >= x.size() || x[i] != '"') return fallisci("unquoted attribute " + nome);
            const size_t fine = x.find('"', i + 1);
            if (fine == std::string_view::npos) return fallisci("unterminated attribute");
            const std::string_view valore = x.substr(i + 1, fine - i - 1);
            if (auto err = controlla_caratteri(valore, false); !err.empty()) return fallisci(err);
            if (!e.attributi.emplace(nome, std::string(valore)).second)
                return fallisci("repeated attribute " + nome);
            i = fine + 1;
        }
        if (pila.empty() && ++radici > 1) return fallisci("second root element");
        d.elementi.push_back(std::move(e));
        if (!vuoto) pila.push_back(static_cast<int>(d.elementi.size()) - 1);
    }
    if (!pila.empty()) return fallisci("unclosed element");
    if (radici != 1) return fallisci("no root element");
    return d;
}

std::vector<double> numeri(const std::string& testo) {
    std::vector<double> out;
    std::istringstream in(testo);
    for (double v; in >> v;) out.push_back(v);
    return out;
}

// --- Scenarios compiled in memory -----------------------------------------------------

std::string da_righe(std::span<const std::string_view> righe) {
    std::string t;
    for (const std::string_view r : righe) {
        if (r == "riferimento fine del file") break;
        t += std::string(r) + "\r\n";
    }
    return t;
}

sorgente in_memoria(const std::string& nome, const std::string& testo) {
    sorgente s;
    s.stato_file = sorgente::stato::letto;
    s.nome = nome;
    s.testo = testo;
    return s;
}

const std::string treno_minimo = "[generale]\r\nnumero vetture, 1\r\n[fine]\r\n";

struct compilato {
    modello m;
    esito_compilazione esito;
    std::string svg;
};

std::unique_ptr<compilato> compila(const std::string& testo_linea, const std::string& testo_treno,
                                   int32_t j = 1, double quota = 0.0) {
    auto c = std::make_unique<compilato>();
    c->m.linea = "Lavena_Torre Alta";
    c->m.treno = "A 1";
    c->esito = compila_modello(c->m, j, in_memoria("linea", testo_linea),
                               in_memoria("treno", testo_treno));
    if (c->esito.celle_create)
        c->svg = disegna_svg({c->m.celle, c->m.tabella, c->m.planimetria}, {quota});
    return c;
}

const compilato& incorporato() {
    static const auto c = compila(da_righe(righe_linea()), da_righe(righe_treno()));
    return *c;
}

// The gradient records of a line file: (chainage, per mille).
std::vector<std::pair<int64_t, int64_t>> pendenze(const std::string& testo_linea) {
    std::vector<std::pair<int64_t, int64_t>> out;
    std::istringstream in(testo_linea);
    for (std::string r; std::getline(in, r);) {
        if (r.rfind("pendenza,", 0) != 0) continue;
        std::replace(r.begin(), r.end(), ',', ' ');
        std::istringstream campi(r.substr(9));
        int64_t p = 0, g = 0;
        campi >> p >> g;
        out.push_back({p, g});
    }
    return out;
}

// --- The picture of the built-in scenario ------------------------------------------------

TEST(RenderSvg, BuiltinPictureIsWellFormedAndSelfContained) {
    const compilato& c = incorporato();
    ASSERT_TRUE(c.esito.da_scrivere());
    EXPECT_EQ(c.m.errore_numero, 0);
    const documento_xml d = leggi_xml(c.svg);
    ASSERT_EQ(d.errore, "");
    EXPECT_EQ(d.elementi.front().nome, "svg");
    for (const char* esterno : {"<script", "href", "url(", "@import", "<image", "foreignObject"})
        EXPECT_EQ(c.svg.find(esterno), std::string::npos) << esterno;
    EXPECT_GE(d.indice_id("plan"), 0);
    EXPECT_GE(d.indice_id("profile"), 0);
}

TEST(RenderSvg, EveryStationIsLabelledOnceInEachPanel) {
    const compilato& c = incorporato();
    std::vector<std::string> attese;
    for (int r = 1; r < 80 && !c.m.tabella[static_cast<size_t>(r)].testo.empty(); ++r)
        attese.push_back(c.m.tabella[static_cast<size_t>(r)].testo);
    ASSERT_EQ(attese.size(), 9u);  // the built-in train stops at nine stations
    std::sort(attese.begin(), attese.end());

    const documento_xml d = leggi_xml(c.svg);
    ASSERT_EQ(d.errore, "");
    for (const char* pannello : {"plan", "profile"}) {
        std::vector<std::string> etichette;
        for (const elemento* e : d.con("class", "station_label", d.indice_id(pannello)))
            etichette.push_back(e->testo);
        std::sort(etichette.begin(), etichette.end());
        EXPECT_EQ(etichette, attese) << pannello;
    }
}

TEST(RenderSvg, TunnelShapesAreTheTunnelsRecorded) {
    const compilato& c = incorporato();
    ASSERT_EQ(c.m.numero_gallerie, 17);
    const documento_xml d = leggi_xml(c.svg);
    ASSERT_EQ(d.errore, "");
    const auto nel_piano = d.con("class", "tunnel", d.indice_id("plan"));
    const auto nel_profilo = d.con("class", "tunnel", d.indice_id("profile"));
    ASSERT_EQ(nel_piano.size(), 17u);
    EXPECT_EQ(nel_profilo.size(), 17u);
    // All built-in tunnels start and end on multiples of 50 m, so each shape covers
    // exactly the recorded stretch.
    for (size_t k = 0; k < nel_piano.size(); ++k) {
        EXPECT_EQ(nel_piano[k]->attributi.at("data-from"),
                  std::to_string(c.m.inizio_gallerie[k + 1]));
        EXPECT_EQ(nel_piano[k]->attributi.at("data-to"), std::to_string(c.m.fine_gallerie[k + 1]));
    }
}

TEST(RenderSvg, TunnelsAreRunsOfTheSameGalleriaValue) {
    struct caso {
        std::vector<uint8_t> gallerie;
        std::vector<std::array<int, 3>> attese;  // first cell, last cell, type
    };
    const std::vector<caso> casi = {
        {{}, {}},
        {{0, 0, 0}, {}},
        {{1}, {{0, 0, 1}}},
        {{0, 1, 1, 3, 3, 0, 1, 0, 0, 2}, {{1, 2, 1}, {3, 4, 3}, {6, 6, 1}, {9, 9, 2}}},
        {{2, 2, 0, 2, 2}, {{0, 1, 2}, {3, 4, 2}}},
    };
    for (const caso& k : casi) {
        std::vector<cella> celle(k.gallerie.size());
        for (size_t i = 0; i < celle.size(); ++i) celle[i].galleria = k.gallerie[i];
        std::vector<std::array<int, 3>> trovate;
        for (const tratto_galleria& t : gallerie_da_celle(celle))
            trovate.push_back({t.prima_cella, t.ultima_cella, t.tipo});
        EXPECT_EQ(trovate, k.attese) << ::testing::PrintToString(k.gallerie);
    }
}

TEST(RenderSvg, PlanExtentIsThatOfThePlanPointsAlongTheLine) {
    const compilato& c = incorporato();
    const planimetria_metrica& p = c.m.planimetria;
    const int32_t lunghezza = c.m.tabella[84].valore2;
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    for (int32_t m = 0; m <= lunghezza; ++m) {
        ASSERT_NE(p.tipo(m, 0), tipo_valore::vuoto) << m;
        x0 = std::min(x0, p.valore(m, 0));
        x1 = std::max(x1, p.valore(m, 0));
        y0 = std::min(y0, p.valore(m, 1));
        y1 = std::max(y1, p.valore(m, 1));
    }
    const documento_xml d = leggi_xml(c.svg);
    ASSERT_EQ(d.errore, "");
    const elemento& piano = d.elementi[static_cast<size_t>(d.indice_id("plan"))];
    EXPECT_EQ(numeri(piano.attributi.at("data-extent")), (std::vector<double>{x0, x1, y0, y1}));

    // And the drawn track stays on the page.
    const elemento& svg = d.elementi.front();
    const double w = std::stod(svg.attributi.at("width")),
                 h = std::stod(svg.attributi.at("height"));
    const auto binari = d.con("class", "track", d.indice_id("plan"));
    ASSERT_EQ(binari.size(), 1u);
    std::string percorso = binari[0]->attributi.at("d");
    std::replace_if(
        percorso.begin(), percorso.end(), [](char ch) { return std::isalpha(ch); }, ' ');
    const std::vector<double> coordinate = numeri(percorso);
    ASSERT_GE(coordinate.size(), 4u);
    for (size_t i = 0; i + 1 < coordinate.size(); i += 2) {
        EXPECT_TRUE(coordinate[i] >= 0 && coordinate[i] <= w) << coordinate[i];
        EXPECT_TRUE(coordinate[i + 1] >= 0 && coordinate[i + 1] <= h) << coordinate[i + 1];
    }
}

// Sum of gradient x length of its stretch, up to the line's length, in millimetres.
int64_t dislivello_mm(const std::string& testo_linea, int64_t lunghezza) {
    const auto p = pendenze(testo_linea);
    int64_t mm = 0;
    for (size_t k = 0; k < p.size(); ++k) {
        const int64_t fine = std::min(k + 1 < p.size() ? p[k + 1].first : lunghezza, lunghezza);
        mm += p[k].second * std::max<int64_t>(0, fine - p[k].first);
    }
    return mm;
}

TEST(RenderSvg, HeightAtTheEndIsTheSumOfTheGradientsOverTheLine) {
    const std::string linea = da_righe(righe_linea());
    const int64_t attesi_mm = dislivello_mm(linea, 34100);
    for (const double quota : {0.0, 3.87}) {
        const auto c = compila(linea, da_righe(righe_treno()), 1, quota);
        const documento_xml d = leggi_xml(c->svg);
        ASSERT_EQ(d.errore, "");
        const elemento& profilo = d.elementi[static_cast<size_t>(d.indice_id("profile"))];
        EXPECT_EQ(profilo.attributi.at("data-end-chainage"), "34100");
        const double fine = std::stod(profilo.attributi.at("data-end-height"));
        EXPECT_EQ(std::llround((fine - quota) * 1000.0), attesi_mm) << quota;
    }
}

TEST(RenderSvg, ProfileIntegratesCellsUpToTheLength) {
    // Gradients +10, -4, +2 per mille in cells 0, 1, 2.
    std::vector<cella> celle(3);
    celle[0].pendenza = 110;
    celle[1].pendenza = 96;
    celle[2].pendenza = 102;
    struct caso {
        int64_t lunghezza;
        std::vector<std::pair<int64_t, double>> attesi;
    };
    const std::vector<caso> casi = {
        {0, {{0, 5.0}}},
        {50, {{0, 5.0}, {50, 5.5}}},
        {75, {{0, 5.0}, {50, 5.5}, {75, 5.4}}},  // ends inside cell 1
        {150, {{0, 5.0}, {50, 5.5}, {100, 5.3}, {150, 5.4}}},
        {1000, {{0, 5.0}, {50, 5.5}, {100, 5.3}, {150, 5.4}}},  // the cells end first
    };
    for (const caso& k : casi) {
        std::vector<std::pair<int64_t, double>> trovati;
        for (const punto_profilo& p : profilo_altimetrico(celle, k.lunghezza, 5.0))
            trovati.push_back({p.progressiva, p.quota});
        ASSERT_EQ(trovati.size(), k.attesi.size()) << k.lunghezza;
        for (size_t i = 0; i < trovati.size(); ++i) {
            EXPECT_EQ(trovati[i].first, k.attesi[i].first) << k.lunghezza;
            EXPECT_NEAR(trovati[i].second, k.attesi[i].second, 1e-9) << k.lunghezza;
        }
    }
}

TEST(RenderSvg, SameModelGivesTheSameBytes) {
    const auto a = compila(da_righe(righe_linea()), da_righe(righe_treno()));
    const auto b = compila(da_righe(righe_linea()), da_righe(righe_treno()));
    EXPECT_EQ(a->svg, b->svg);
    EXPECT_FALSE(a->svg.empty());
}

// --- Simplification -------------------------------------------------------------------

double distanza(const point_2d& p, const point_2d& a, const point_2d& b) {
    const double dx = b.x - a.x, dy = b.y - a.y, q = dx * dx + dy * dy;
    const double t = q > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / q, 0.0, 1.0) : 0.0;
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

TEST(RenderSvg, SimplificationKeepsEveryPointWithinTolerance) {
    std::vector<point_2d> punti;
    for (int i = 0; i < 4000; ++i) {
        const double t = i * 0.01;
        // A wave, then a loop that comes back on itself.
        punti.push_back(i < 3000 ? point_2d{t * 20, 30 * std::sin(t) + 0.1 * std::sin(37 * t)}
                                 : point_2d{600 + 40 * std::sin(t * 3), 40 * std::cos(t * 3)});
    }
    for (const double tolleranza : {0.25, 2.0}) {
        const std::vector<size_t> k = simplify_polyline(punti, tolleranza);
        ASSERT_GE(k.size(), 2u);
        EXPECT_EQ(k.front(), 0u);
        EXPECT_EQ(k.back(), punti.size() - 1);
        EXPECT_LT(k.size(), punti.size() / 2) << tolleranza;
        for (size_t s = 0; s + 1 < k.size(); ++s) {
            ASSERT_LT(k[s], k[s + 1]);
            for (size_t i = k[s] + 1; i < k[s + 1]; ++i)
                ASSERT_LE(distanza(punti[i], punti[k[s]], punti[k[s + 1]]), tolleranza) << i;
        }
    }
    std::vector<point_2d> dritta;
    for (int i = 0; i < 1000; ++i) dritta.push_back({0.0, i * 1.0});
    const std::vector<size_t> k = simplify_polyline(dritta, 0.25);
    EXPECT_EQ(k.front(), 0u);
    EXPECT_EQ(k.back(), 999u);
    EXPECT_LT(k.size(), 5u);
    EXPECT_EQ(simplify_polyline(std::vector<point_2d>{{1, 1}}, 0.25), (std::vector<size_t>{0}));
}

// --- Lines at the edges ---------------------------------------------------------------

std::string linea_di(int64_t lunghezza, const std::string& sezioni = "") {
    return "[generale]\r\nlunghezza percorso, " + std::to_string(lunghezza) + "\r\n" + sezioni +
           "[fine]\r\n";
}

TEST(RenderSvg, MillionMetreLineStaysUnderTwoMegabytes) {
    std::string sezioni = "[curve]\r\n";
    for (int k = 1; k < 400; ++k)
        sezioni += std::string("curva") + (k % 2 ? "d" : "s") + std::to_string(1 + k % 6) + ", " +
                   std::to_string(k * 2500) + ", " + std::to_string(100 + (k % 5) * 100) + "\r\n";
    sezioni += "[pendenze]\r\n";
    for (int k = 0; k < 500; ++k)
        sezioni +=
            "pendenza, " + std::to_string(k * 2000) + ", " + std::to_string(k % 11 - 4) + "\r\n";
    sezioni += "[montagne]\r\n";
    for (int k = 1; k <= 60; ++k)
        sezioni += "montagna, " + std::to_string(k * 16000) + ", " +
                   std::to_string(k * 16000 + 300 + k * 10) + ", 1\r\n";
    const std::string linea = linea_di(1000000, sezioni);
    const auto c = compila(linea, treno_minimo);
    ASSERT_TRUE(c->esito.da_scrivere());
    EXPECT_EQ(c->m.errore_numero, 0);
    ASSERT_EQ(c->m.numero_gallerie, 60);

    EXPECT_LT(c->svg.size(), 2u * 1000 * 1000);
    const documento_xml d = leggi_xml(c->svg);
    ASSERT_EQ(d.errore, "");
    EXPECT_EQ(d.con("class", "tunnel", d.indice_id("plan")).size(), 60u);
    EXPECT_EQ(d.con("class", "tunnel", d.indice_id("profile")).size(), 60u);
    const elemento& profilo = d.elementi[static_cast<size_t>(d.indice_id("profile"))];
    EXPECT_EQ(std::llround(std::stod(profilo.attributi.at("data-end-height")) * 1000.0),
              dislivello_mm(linea, 1000000));
}

TEST(RenderSvg, ShortStraightAndPlanlessLinesStillDraw) {
    struct caso {
        const char* nome;
        std::string linea;
        int32_t j;
        bool con_piano;
        int64_t fine;
    };
    const std::vector<caso> casi = {
        {"length 0", linea_di(0, "[pendenze]\r\npendenza, 0, 5\r\n"), 1, true, 0},
        {"straight, no stations", linea_di(5000), 1, true, 5000},
        {"compiled without a plan", linea_di(5000), 0, false, 5000},
    };
    for (const caso& k : casi) {
        const auto c = compila(k.linea, treno_minimo, k.j);
        ASSERT_TRUE(c->esito.da_scrivere()) << k.nome;
        const documento_xml d = leggi_xml(c->svg);
        ASSERT_EQ(d.errore, "") << k.nome;
        const int piano = d.indice_id("plan");
        ASSERT_GE(piano, 0) << k.nome;
        EXPECT_EQ(d.con("class", "plan_note", piano).size(), k.con_piano ? 0u : 1u) << k.nome;
        EXPECT_EQ(d.con("class", "track", piano).size(), k.con_piano ? 1u : 0u) << k.nome;
        const elemento& profilo = d.elementi[static_cast<size_t>(d.indice_id("profile"))];
        EXPECT_EQ(profilo.attributi.at("data-end-chainage"), std::to_string(k.fine)) << k.nome;
        EXPECT_EQ(profilo.attributi.at("data-end-height"), "0") << k.nome;
        EXPECT_EQ(c->svg.find("nan"), std::string::npos) << k.nome;
        EXPECT_EQ(c->svg.find("inf"), std::string::npos) << k.nome;
    }
    // A straight plan is a segment along +y from the origin.
    const auto dritta = compila(linea_di(5000), treno_minimo);
    const documento_xml d = leggi_xml(dritta->svg);
    const elemento& piano = d.elementi[static_cast<size_t>(d.indice_id("plan"))];
    EXPECT_EQ(numeri(piano.attributi.at("data-extent")), (std::vector<double>{0, 0, 0, 5000}));
}

TEST(RenderSvg, NamesAreEscapedForXml) {
    const auto c = compila(da_righe(righe_linea()), da_righe(righe_treno()));
    modello& m = c->m;
    m.tabella[85].testo = "A&B <Linea> \"x\" \x01 caff\xE8";
    m.tabella[1].testo = "S<1>&";
    const std::string svg = disegna_svg({m.celle, m.tabella, m.planimetria});
    const documento_xml d = leggi_xml(svg);
    ASSERT_EQ(d.errore, "");
    EXPECT_NE(svg.find("A&amp;B &lt;Linea&gt; &quot;x&quot; \xEF\xBF\xBD caff\xC3\xA8"),
              std::string::npos);
    EXPECT_EQ(d.con("class", "station_label", d.indice_id("plan")).front()->testo,
              "S&lt;1&gt;&amp;");
}

// --- The command --------------------------------------------------------------------------

class RenderCommand : public ::testing::Test {
  protected:
    test::cartella_temporanea dir;

    std::string sorgenti() {
        const std::string s = dir.file("src");
        std::filesystem::create_directory(s);
        EXPECT_EQ(test::esegui_binario({"example", s}).stato, 0);
        return s;
    }
    std::string compilati() {
        const std::string c = dir.file("out");
        std::filesystem::create_directory(c);
        EXPECT_EQ(test::esegui_binario({"run", "--dir", c}).stato, 0);
        return c;
    }
};

TEST_F(RenderCommand, SourcesAndCompiledFilesGiveTheSameBytes) {
    const std::string src = sorgenti(), out = compilati();
    const std::string linea = src + "/Lavena_Torre Alta_linea.txt";
    const std::string treno = src + "/Lavena_Torre Alta_A 1-.txt";
    const std::string prima_linea = test::leggi(linea), prima_treno = test::leggi(treno);

    const auto a = test::esegui_binario({"render", linea, treno, "-o", dir.file("a.svg")});
    ASSERT_EQ(a.stato, 0) << a.err;
    const auto b = test::esegui_binario({"render", "--compiled", out, "-o", dir.file("b.svg")});
    ASSERT_EQ(b.stato, 0) << b.err;
    EXPECT_EQ(a.err, "");
    EXPECT_EQ(b.err, "");
    const std::string svg = test::leggi(dir.file("a.svg"));
    EXPECT_EQ(svg, test::leggi(dir.file("b.svg")));
    EXPECT_EQ(svg, incorporato().svg);

    // The sources are only read, and nothing is written beside them.
    EXPECT_EQ(test::leggi(linea), prima_linea);
    EXPECT_EQ(test::leggi(treno), prima_treno);
    EXPECT_EQ(test::elenco(src), (std::vector<std::string>{"Lavena_Torre Alta_A 1-.txt",
                                                           "Lavena_Torre Alta_linea.txt"}));
}

// Names outside ASCII go into the table in Windows-1252 whichever way the picture
// is drawn: from the sources (names from the file names or from the options) or
// from the files 'binario compile' wrote.
TEST_F(RenderCommand, NonAsciiNamesDrawTheSameFromSourcesAndCompiledFiles) {
    const std::string src = sorgenti();
    const std::string testo_linea = test::leggi(src + "/Lavena_Torre Alta_linea.txt");
    const std::string testo_treno = test::leggi(src + "/Lavena_Torre Alta_A 1-.txt");
    struct caso {
        std::string file_linea, file_treno;
        std::vector<std::string> nomi;  // --linea / --treno, when the file names give none
    };
    const caso casi[] = {
        {"Citt\xC3\xA0_linea.txt", "Citt\xC3\xA0_T\xC3\xA8 1-.txt", {}},
        {"l.txt", "t.txt", {"--linea", "Citt\xC3\xA0", "--treno", "T\xC3\xA8 1"}},
    };
    int n = 0;
    for (const caso& c : casi) {
        const std::string cartella = dir.file("nomi" + std::to_string(n++));
        std::filesystem::create_directory(cartella);
        const std::string linea = cartella + "/" + c.file_linea;
        const std::string treno = cartella + "/" + c.file_treno;
        test::scrivi(linea, testo_linea);
        test::scrivi(treno, testo_treno);

        std::vector<std::string> da_sorgenti = {"render", linea, treno, "-o", cartella + "/a.svg"};
        std::vector<std::string> compila = {"compile", linea, treno, "--out", cartella};
        da_sorgenti.insert(da_sorgenti.end(), c.nomi.begin(), c.nomi.end());
        compila.insert(compila.end(), c.nomi.begin(), c.nomi.end());
        const auto a = test::esegui_binario(da_sorgenti);
        ASSERT_EQ(a.stato, 0) << a.err;
        const auto k = test::esegui_binario(compila);
        ASSERT_EQ(k.stato, 0) << k.err;
        const auto b =
            test::esegui_binario({"render", "--compiled", cartella, "-o", cartella + "/b.svg"});
        ASSERT_EQ(b.stato, 0) << b.err;

        const std::string svg = test::leggi(cartella + "/a.svg");
        EXPECT_EQ(svg, test::leggi(cartella + "/b.svg")) << c.file_linea;
        EXPECT_NE(svg.find("Citt\xC3\xA0"), std::string::npos) << c.file_linea;
        EXPECT_EQ(svg.find("Citt\xC3\x83"), std::string::npos) << c.file_linea;
    }
}

TEST_F(RenderCommand, RefusesWithTheRightStatus) {
    const std::string src = sorgenti(), out = compilati();
    const std::string linea = src + "/Lavena_Torre Alta_linea.txt";
    const std::string treno = src + "/Lavena_Torre Alta_A 1-.txt";
    const std::string svg = dir.file("x.svg");
    // Two scenarios side by side, a truncated table, a folder where a file should be.
    const std::string due = dir.file("due"), rotto = dir.file("rotto");
    std::filesystem::create_directory(due);
    std::filesystem::create_directory(rotto);
    for (const std::string& n : test::elenco(out)) {
        std::filesystem::copy_file(path_from_utf8(out + "/" + n), path_from_utf8(due + "/" + n));
        std::filesystem::copy_file(path_from_utf8(out + "/" + n), path_from_utf8(rotto + "/" + n));
    }
    std::filesystem::copy(out + "/Lavena_Torre Alta_A 1.sim", due + "/Lavena_Torre Alta_B 2.sim");
    std::filesystem::copy(out + "/Lavena_Torre Alta_A 1.dat", due + "/Lavena_Torre Alta_B 2.dat");
    test::scrivi(rotto + "/Lavena_Torre Alta_A 1.sim",
                 test::leggi(out + "/Lavena_Torre Alta_A 1.sim").substr(0, 1000));
    std::filesystem::create_directory(dir.file("cartella_linea.txt"));

    struct caso {
        const char* nome;
        std::vector<std::string> argomenti;
        int stato;
        std::string nel_messaggio;
    };
    const std::vector<caso> casi = {
        {"no input", {"render", "-o", svg}, 64, "either"},
        {"both inputs", {"render", linea, treno, "--compiled", out, "-o", svg}, 64, "either"},
        {"one source", {"render", linea, "-o", svg}, 64, "both"},
        {"no output", {"render", linea, treno}, 64, "--output"},
        {"bad height", {"render", linea, treno, "--start-height", "inf", "-o", svg}, 64, "start"},
        {"missing source",
         {"render", src + "/nope_linea.txt", treno, "-o", svg},
         74,
         "No such file"},
        {"source is a folder",
         {"render", dir.file("cartella_linea.txt"), treno, "-o", svg},
         74,
         "Is a directory"},
        {"no such folder",
         {"render", "--compiled", dir.file("nope"), "-o", svg},
         64,
         "does not exist"},
        {"no scenario", {"render", "--compiled", src, "-o", svg}, 64, "no compiled scenario"},
        {"two scenarios", {"render", "--compiled", due, "-o", svg}, 64, "--treno 'B 2'"},
        {"truncated table", {"render", "--compiled", rotto, "-o", svg}, 65, "at byte 998"},
        {"missing table",
         {"render", "--compiled", out, "--linea", "Lavena_Torre Alta", "--treno", "Z", "-o", svg},
         74,
         "Lavena_Torre Alta_Z.sim"},
    };
    for (const caso& k : casi) {
        const auto r = test::esegui_binario(k.argomenti);
        EXPECT_EQ(r.stato, k.stato) << k.nome << ": " << r.err;
        EXPECT_NE(r.err.find(k.nel_messaggio), std::string::npos) << k.nome << ": " << r.err;
        EXPECT_FALSE(test::esiste(svg)) << k.nome;
    }
    // The picture never replaces a file it is drawn from.
    const std::string prima = test::leggi(linea);
    const auto su_se_stesso = test::esegui_binario({"render", linea, treno, "-o", linea});
    EXPECT_EQ(su_se_stesso.stato, 64) << su_se_stesso.err;
    EXPECT_EQ(test::leggi(linea), prima);
    // With --treno the second scenario of the folder is chosen.
    EXPECT_EQ(
        test::esegui_binario({"render", "--compiled", due, "--treno", "B 2", "-o", svg}).stato, 0);
}

TEST_F(RenderCommand, FaultsAreListedAndThePictureStillWritten) {
    // A gradient beyond the end of a 1000 m line: error 15.
    test::scrivi(dir.file("Corta_linea.txt"),
                 linea_di(1000, "[pendenze]\r\npendenza, 0, 5\r\npendenza, 9000, 5\r\n"));
    test::scrivi(dir.file("Corta_T-.txt"), treno_minimo);
    const auto r = test::esegui_binario(
        {"render", dir.file("Corta_linea.txt"), dir.file("Corta_T-.txt"), "-o", dir.file("c.svg")});
    EXPECT_EQ(r.stato, 1);
    EXPECT_NE(r.err.find("error 15"), std::string::npos) << r.err;
    EXPECT_EQ(leggi_xml(test::leggi(dir.file("c.svg"))).errore, "");
}

TEST_F(RenderCommand, RsvgConvertDrawsThePicture) {
    if (std::system("command -v rsvg-convert > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed";
    const std::string out = compilati();
    const std::string svg = dir.file("linea.svg"), png = dir.file("linea.png");
    ASSERT_EQ(test::esegui_binario({"render", "--compiled", out, "-o", svg}).stato, 0);
    const documento_xml d = leggi_xml(test::leggi(svg));
    ASSERT_EQ(d.errore, "");
    const std::string w = d.elementi.front().attributi.at("width");
    const std::string h = d.elementi.front().attributi.at("height");
    // A blank page of the same size, for comparison.
    test::scrivi(dir.file("bianco.svg"), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w +
                                             "\" height=\"" + h + "\"><rect width=\"" + w +
                                             "\" height=\"" + h + "\" fill=\"#fff\"/></svg>\n");
    auto converti = [&](const std::string& da, const std::string& a) {
        const std::string comando =
            "rsvg-convert -o '" + a + "' '" + da + "' 2> '" + dir.file("err") + "'";
        EXPECT_EQ(std::system(comando.c_str()), 0) << comando;
        EXPECT_EQ(test::leggi(dir.file("err")), "");
        return test::leggi(a);
    };
    const std::string disegno = converti(svg, png);
    const std::string bianco = converti(dir.file("bianco.svg"), dir.file("bianco.png"));
    ASSERT_GE(disegno.size(), 24u);
    EXPECT_EQ(disegno.substr(1, 3), "PNG");
    // Width and height of the PNG, big-endian at bytes 16 and 20.
    auto intero = [&](size_t i) {
        uint32_t v = 0;
        for (size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(disegno[i + k]);
        return v;
    };
    EXPECT_EQ(std::to_string(intero(16)), w);
    EXPECT_EQ(std::to_string(intero(20)), h);
    EXPECT_GT(disegno.size(), 10 * bianco.size());
}

}  // namespace
}  // namespace binario
