// The authors' guide to the fields in docs/formats.md stays true: each record lists
// the fields the loader reads, in its order, with the editor's names for them, and
// every edge the guide states is where the compiler's complaint really begins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/compile_driver.h"
#include "lsp/record_guide.h"
#include "test_support.h"

namespace binario {
namespace {

using lsp::record_id;
using lsp::record_kind;

const std::string percorso_documento = BINARIO_SOURCE_DIR "/docs/formats.md";

// ---- Reading the guide ---------------------------------------------------------

struct riga_limite {
    std::string campo;   // the field the row belongs to
    std::string valido;  // "Valid values"
    std::string fuori;   // "Outside them"
};

struct record_guida {
    std::string titolo;
    std::vector<const record_kind*> tipi;  // the records the heading names
    std::vector<std::string> campi;
    std::vector<riga_limite> limiti;
    std::string testo;  // the whole of the record's part, heading to next heading
};

std::string senza_spazi(std::string s) {
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::string senza_apici(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '`'), s.end());
    return s;
}

// The document writes minus signs as U+2212; the rules below read ASCII.
std::string con_meno_ascii(std::string s) {
    const std::string meno = "\xE2\x88\x92";
    for (size_t i; (i = s.find(meno)) != std::string::npos;) s.replace(i, meno.size(), "-");
    return s;
}

std::vector<std::string> celle_tabella(const std::string& riga) {
    std::vector<std::string> out;
    std::istringstream in(riga.substr(1));
    for (std::string c; std::getline(in, c, '|');) out.push_back(senza_spazi(c));
    return out;
}

const record_kind* tipo_di(const std::string& parola) {
    for (lsp::section s :
         {lsp::section::line_general, lsp::section::line_profile, lsp::section::train})
        if (const record_kind* k = lsp::recognise(s, parola)) return k;
    return nullptr;
}

// The records of the section "The fields, record by record": a "####" heading naming
// the keywords in code spans, then a table whose header starts with "| Field |".
std::vector<record_guida> leggi_guida(const std::string& documento) {
    std::vector<record_guida> out;
    std::istringstream in(documento);
    bool sezione = false;
    bool tabella = false;
    static const std::regex in_linea("`([^`]+)`");
    for (std::string riga; std::getline(in, riga);) {
        if (!riga.empty() && riga.back() == '\r') riga.pop_back();
        if (riga.rfind("## ", 0) == 0)
            sezione = riga.find("The fields, record by record") != std::string::npos;
        if (!sezione) continue;
        if (!out.empty() && riga.rfind("#", 0) != 0) out.back().testo += riga + "\n";
        if (riga.rfind("#### ", 0) == 0) {
            record_guida r;
            r.titolo = riga;
            for (std::sregex_iterator i(riga.begin(), riga.end(), in_linea), fine; i != fine; ++i) {
                const record_kind* k = tipo_di((*i)[1]);
                if (k != nullptr && std::find(r.tipi.begin(), r.tipi.end(), k) == r.tipi.end())
                    r.tipi.push_back(k);
            }
            out.push_back(r);
            tabella = false;
            continue;
        }
        if (out.empty()) continue;
        if (riga.rfind("| Field |", 0) == 0) {
            tabella = true;
            continue;
        }
        if (!tabella) continue;
        if (riga.empty() || riga[0] != '|') {
            tabella = false;
            continue;
        }
        if (riga.rfind("|---", 0) == 0) continue;
        const std::vector<std::string> c = celle_tabella(riga);
        if (c.size() < 3) continue;
        record_guida& r = out.back();
        std::string campo = senza_apici(c[0]);
        if (campo.empty() && !r.campi.empty()) campo = r.campi.back();
        if (!campo.empty() && (r.campi.empty() || r.campi.back() != campo))
            r.campi.push_back(campo);
        r.limiti.push_back({campo, con_meno_ascii(c[1]), c[2]});
    }
    return out;
}

// ---- A small scenario that compiles without a word -----------------------------

struct record_prova {
    record_id id;
    std::string parola;
    std::vector<std::string> valori;
};

const int32_t lunghezza_prova = 5000;

std::vector<record_prova> linea_prova() {
    return {
        {record_id::lunghezza, "lunghezza percorso", {"5000"}},
        {record_id::progressiva_uno, "progressiva chilometrica uno", {"0", "0", "0"}},
        {record_id::progressiva_due, "progressiva chilometrica due", {"0", "0", "0"}},
        {record_id::progressiva_tre, "progressiva chilometrica tre", {"0", "0", "0"}},
        {record_id::sfondo_uno, "sfondo uno", {"1"}},
        {record_id::sfondo_due, "sfondo due", {"2000"}},
        {record_id::sfondo_tre, "sfondo tre", {"3000"}},
        {record_id::ripetizione, "ripetizione segnali 4 codici", {"0", "0"}},
        {record_id::pendenza, "pendenza", {"0", "5"}},
        {record_id::curva, "curvad3", {"1000", "200"}},
        {record_id::montagna, "montagna", {"2000", "2200", "1"}},
        {record_id::indicatori,
         "indicatori_vmax",
         {"2500", "60", "60", "60", "0", "", "", "", "0"}},
        {record_id::cartello, "cartello_indicatore", {"2600", "(BIVIO)"}},
    };
}

std::vector<record_prova> treno_prova() {
    return {
        {record_id::vetture, "numero vetture", {"3"}},
        {record_id::frenata, "percentuale massa frenata", {"75"}},
        {record_id::sabbia, "sabbia", {"300"}},
        {record_id::orologio, "orologio", {"7", "0", "0"}},
        {record_id::aderenza, "aderenza", {"0", "100"}},
        {record_id::velocita, "velocita", {"0", "60"}},
        {record_id::stazione,
         "stazione",
         {"0", "7", "200", "1", "0", "0", "3", "1", "0", "2", "1", "1", "1", "7", "0", "0",
          "ORIGINE"}},
        {record_id::stazione,
         "stazione",
         {"4000", "6", "200", "1", "0", "0", "1", "1", "0", "2", "1", "1", "0", "7", "10", "0",
          "CAPOLINEA"}},
        {record_id::rallentamento, "rallentamento", {"3500", "15", "100", "1", "1", "15"}},
        {record_id::segnale, "segnale", {"1000", "1", "5", "1", "0", "0", "0", "0", "0", "0", "0"}},
        {record_id::abbattimento, "abbattimento", {"3000", "180"}},
    };
}

struct scenario_prova {
    std::vector<record_prova> linea = linea_prova();
    std::vector<record_prova> treno = treno_prova();

    // The last record of that kind, which the probes change.
    record_prova& ultimo(record_id id) {
        for (auto* v : {&treno, &linea})
            for (auto r = v->rbegin(); r != v->rend(); ++r)
                if (r->id == id) return *r;
        throw std::logic_error("no such record in the test scenario");
    }
};

std::string riga_di(const record_prova& r) {
    std::string s = r.parola;
    for (const std::string& v : r.valori) s += ", " + v;
    return s;
}

// The files of the scenario; `tronca` cuts that record's last value, and `riga`
// then gets the line the record is on.
std::pair<std::string, std::string> testi(const scenario_prova& p,
                                          const record_prova* tronca = nullptr,
                                          int32_t* riga = nullptr) {
    auto scrivi = [&](const std::vector<record_prova>& v, bool linea) {
        std::string t = "[generale]\r\n";
        int32_t n = 1;
        for (const record_prova& r : v) {
            if (linea && r.id == record_id::pendenza) {
                t += "[profili]\r\n";
                ++n;
            }
            ++n;
            if (&r == tronca) {
                record_prova corto = r;
                corto.valori.pop_back();
                t += riga_di(corto) + "\r\n";
                if (riga != nullptr) *riga = n;
            } else {
                t += riga_di(r) + "\r\n";
            }
        }
        return t + "[fine]\r\n";
    };
    return {scrivi(p.linea, true), scrivi(p.treno, false)};
}

struct compilato {
    modello m;
};

std::unique_ptr<compilato> compila(const std::pair<std::string, std::string>& file) {
    auto c = std::make_unique<compilato>();
    c->m.linea = "Prova";
    c->m.treno = "P 1";
    c->m.regole.massimo = 0;
    compila_modello(c->m, 1, test::da_testo("Prova_linea.txt", file.first),
                    test::da_testo("Prova_P 1-.txt", file.second));
    return c;
}

std::string elenco(const modello& m) {
    std::string s;
    for (const diagnostica& d : m.diagnostiche)
        s += "\n  " +
             (d.avviso ? std::string("warning ") + d.nome : "error " + std::to_string(d.numero)) +
             ": " + d.messaggio;
    return s;
}

// ---- The edges -----------------------------------------------------------------

// What "Outside them" says the compiler does.
struct reazione {
    std::optional<int32_t> errore;
    std::string avviso;

    bool in(const modello& m) const {
        for (const diagnostica& d : m.diagnostiche) {
            if (errore && !d.avviso && d.numero == *errore) return true;
            if (!errore && d.avviso && avviso == d.nome) return true;
        }
        return false;
    }
};

std::optional<reazione> leggi_reazione(const std::string& testo) {
    std::smatch m;
    static const std::regex errore(R"(^error ([0-9]+)$)");
    static const std::regex avviso(R"(^warning `([a-z0-9-]+)`$)");
    if (std::regex_match(testo, m, errore)) return reazione{std::stoi(m[1]), ""};
    if (std::regex_match(testo, m, avviso)) return reazione{std::nullopt, m[1]};
    return std::nullopt;
}

// One term of a computed value: `field`, `field` × n or `field` / n.
struct termine {
    std::string campo;
    int64_t per = 1;
    int64_t diviso = 1;
};

int64_t diviso_in_basso(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// One value to try: the record's fields to set, and whether the complaint must come.
struct prova {
    std::vector<std::pair<std::string, std::string>> campi;
    bool reclamo;
    std::string descrizione;
};

// The value `obiettivo` of a sum of terms, spread over its fields from the first term
// on: each takes as much as it can in whole units, the last the rest, exactly.
std::optional<std::vector<std::pair<std::string, std::string>>> componi(
    const std::vector<termine>& termini, int64_t obiettivo) {
    std::vector<std::pair<std::string, std::string>> out;
    int64_t resto = obiettivo;  // what the terms still have to give
    for (size_t i = 0; i < termini.size(); ++i) {
        const termine& t = termini[i];
        // value × per / diviso = rest  =>  value = rest × diviso / per
        const int64_t num = resto * t.diviso;
        int64_t v = diviso_in_basso(num, t.per);
        if (i + 1 == termini.size() && v * t.per != num) return std::nullopt;
        if (v * t.per % t.diviso != 0) return std::nullopt;
        resto -= v * t.per / t.diviso;
        out.emplace_back(t.campo, std::to_string(v));
    }
    if (resto != 0) return std::nullopt;
    return out;
}

// The values a row of "Valid values" asks to try; nullopt when the row does not
// follow the guide's forms.
std::optional<std::vector<prova>> prove_di(const riga_limite& l, const record_prova& base,
                                           const std::vector<std::string>& campi) {
    std::string valido = l.valido;
    std::vector<std::pair<std::string, std::string>> condizione;
    std::smatch m;
    static const std::regex quando(R"(^(.*) when `([^`]+)` is (-?[0-9]+)$)");
    if (std::regex_match(valido, m, quando)) {
        condizione.emplace_back(m[2], m[3]);
        valido = m[1];
    }
    std::vector<termine> termini{{l.campo}};
    static const std::regex calcolato(R"(^(?:round\()?(`.*?)\)?: (.*)$)");
    if (std::regex_match(valido, m, calcolato)) {
        termini.clear();
        const std::string espressione = m[1];
        valido = m[2];
        static const std::regex forma(R"(`([^`]+)`(?: (×|/) ([0-9]+))?)");
        size_t coperto = 0;
        for (std::sregex_iterator i(espressione.begin(), espressione.end(), forma), fine; i != fine;
             ++i) {
            termine t{(*i)[1]};
            if ((*i)[2] == "×") t.per = std::stoll((*i)[3]);
            if ((*i)[2] == "/") t.diviso = std::stoll((*i)[3]);
            termini.push_back(t);
            coperto += static_cast<size_t>(i->length());
        }
        if (termini.empty() || termini[0].campo != l.campo) return std::nullopt;
        // Nothing but terms and " + " between them.
        if (coperto + 3 * (termini.size() - 1) != espressione.size()) return std::nullopt;
    }
    for (const termine& t : termini)
        if (std::find(campi.begin(), campi.end(), t.campo) == campi.end()) return std::nullopt;

    auto limite = [](const std::string& s) -> std::optional<int64_t> {
        std::smatch b;
        static const std::regex numero(R"(^-?[0-9]+$)");
        static const std::regex lunghezza(R"(^the line length(?: \+ ([0-9]+))?$)");
        if (std::regex_match(s, numero)) return std::stoll(s);
        if (std::regex_match(s, b, lunghezza))
            return lunghezza_prova + (b[1].matched ? std::stoll(b[1]) : 0);
        return std::nullopt;
    };
    std::vector<std::pair<int64_t, bool>> valori;
    static const std::regex tra(R"(^(-?[0-9]+) to (-?[0-9]+)$)");
    static const std::regex da(R"(^from (-?[0-9]+)$)");
    static const std::regex fino(R"(^up to (.+)$)");
    static const std::regex multiplo(R"(^a multiple of ([0-9]+)$)");
    static const std::regex testo(R"(^a text of up to ([0-9]+) bytes$)");
    const int64_t min32 = INT32_MIN, max32 = INT32_MAX;
    if (std::regex_match(valido, m, tra)) {
        const int64_t a = std::stoll(m[1]), b = std::stoll(m[2]);
        valori = {{a, false}, {b, false}, {a - 1, true}, {b + 1, true}};
    } else if (std::regex_match(valido, m, da)) {
        const int64_t a = std::stoll(m[1]);
        valori = {{a, false}, {a - 1, true}};
    } else if (std::regex_match(valido, m, fino)) {
        const std::optional<int64_t> b = limite(m[1]);
        if (!b) return std::nullopt;
        valori = {{*b, false}, {*b + 1, true}};
    } else if (valido == "any 32-bit number") {
        valori = {{min32, false}, {max32, false}, {min32 - 1, true}, {max32 + 1, true}};
    } else if (std::regex_match(valido, m, multiplo) && termini.size() == 1) {
        const int64_t n = std::stoll(m[1]);
        const auto i = std::find(campi.begin(), campi.end(), l.campo) - campi.begin();
        const int64_t dato = std::stoll(base.valori[static_cast<size_t>(i)]);
        valori = {{dato + n, false}, {dato + (n % 2 == 0 ? n / 2 : 1), true}};
    } else if (std::regex_match(valido, m, testo) && termini.size() == 1) {
        const size_t n = std::stoul(m[1]);
        return std::vector<prova>{
            {{{l.campo, std::string(n, 'A')}}, false, std::to_string(n) + " bytes"},
            {{{l.campo, std::string(n + 1, 'A')}}, true, std::to_string(n + 1) + " bytes"}};
    } else {
        return std::nullopt;
    }
    std::vector<prova> out;
    for (const auto& [v, reclamo] : valori) {
        auto campi_prova = componi(termini, v);
        if (!campi_prova) return std::nullopt;
        campi_prova->insert(campi_prova->begin(), condizione.begin(), condizione.end());
        std::string d = l.valido + ": " + std::to_string(v) + " (";
        for (const auto& [c, x] : *campi_prova) d += " " + c + " = " + x;
        out.push_back({*campi_prova, reclamo, d + " )"});
    }
    return out;
}

class FieldGuide : public testing::Test {
  protected:
    void SetUp() override {
        guida = leggi_guida(test::leggi(percorso_documento));
        ASSERT_FALSE(guida.empty()) << percorso_documento;
    }
    std::vector<record_guida> guida;
};

TEST_F(FieldGuide, EveryRecordOnceWithTheFieldsTheLoaderReads) {
    std::multiset<const record_kind*> trovati;
    for (const record_guida& r : guida) {
        EXPECT_FALSE(r.tipi.empty()) << "a heading that names no record: " << r.titolo;
        for (const record_kind* k : r.tipi) {
            trovati.insert(k);
            const std::vector<std::string> attesi(k->fields.begin(), k->fields.end());
            EXPECT_EQ(r.campi, attesi) << r.titolo << ": the editor's fields for " << k->keyword;
        }
    }
    for (const record_kind& k : lsp::record_kinds())
        EXPECT_EQ(trovati.count(&k), 1u) << k.keyword << " is not in the guide once";

    // The loader's own count: a record with its last value cut says how many it needs.
    const auto pulito = compila(testi(scenario_prova{}));
    ASSERT_TRUE(pulito->m.diagnostiche.empty()) << elenco(pulito->m);
    static const std::regex manca(
        R"(record on line ([0-9]+) has ([0-9]+) values?; it needs ([0-9]+))");
    for (const record_kind& k : lsp::record_kinds()) {
        scenario_prova p;
        int32_t riga = 0;
        const auto c = compila(testi(p, &p.ultimo(k.id), &riga));
        std::optional<size_t> necessari;
        for (const diagnostica& d : c->m.diagnostiche) {
            std::smatch m;
            if (std::regex_search(d.messaggio, m, manca) && std::stoi(m[1]) == riga)
                necessari = std::stoul(m[3]);
        }
        ASSERT_TRUE(necessari) << k.keyword << elenco(c->m);
        EXPECT_EQ(*necessari, k.fields.size()) << k.keyword;
    }
}

// The error numbers a text names: "error 6", "errors 3 and 4", "errors 17 to 20".
std::set<int> errori_citati(const std::string& testo) {
    std::set<int> out;
    static const std::regex citazione(R"(errors? ([0-9]+)(?: (and|to) ([0-9]+))?)");
    for (std::sregex_iterator i(testo.begin(), testo.end(), citazione), fine; i != fine; ++i) {
        const int a = std::stoi((*i)[1]);
        const int b = (*i)[3].matched ? std::stoi((*i)[3]) : a;
        if ((*i)[2] == "to") {
            for (int n = a; n <= b; ++n) out.insert(n);
        } else {
            out.insert({a, b});
        }
    }
    return out;
}

// The editor's hover and the guide tell the same story: every error the hover names
// for a record, the guide names for it too.
TEST_F(FieldGuide, TheEditorsHoverNamesNoErrorTheGuideLeavesOut) {
    for (const record_guida& r : guida) {
        const std::set<int> nella_guida = errori_citati(r.testo);
        for (const record_kind* k : r.tipi)
            for (int n : errori_citati(std::string(k->guide)))
                EXPECT_EQ(nella_guida.count(n), 1u)
                    << k->keyword << ": the hover names error " << n << ", the guide does not";
    }
}

TEST_F(FieldGuide, StatedEdgesAreTheCompilersOwn) {
    for (const record_guida& r : guida) {
        for (const riga_limite& l : r.limiti) {
            const std::optional<reazione> cosa = leggi_reazione(l.fuori);
            ASSERT_TRUE(cosa) << r.titolo << ": \"" << l.fuori << "\" is no error or warning";
            for (const record_kind* k : r.tipi) {
                scenario_prova base;
                const std::vector<std::string> campi(k->fields.begin(), k->fields.end());
                const auto prove = prove_di(l, base.ultimo(k->id), campi);
                ASSERT_TRUE(prove) << r.titolo << ": \"" << l.valido << "\" cannot be tried";
                for (const prova& v : *prove) {
                    scenario_prova p;
                    record_prova& rec = p.ultimo(k->id);
                    for (const auto& [campo, valore] : v.campi) {
                        const auto i = std::find(campi.begin(), campi.end(), campo) - campi.begin();
                        rec.valori[static_cast<size_t>(i)] = valore;
                    }
                    const auto c = compila(testi(p));
                    EXPECT_EQ(cosa->in(c->m), v.reclamo)
                        << k->keyword << " " << v.descrizione << ": " << l.fuori
                        << (v.reclamo ? " expected" : " not expected") << elenco(c->m);
                }
            }
        }
    }
}

}  // namespace
}  // namespace binario
